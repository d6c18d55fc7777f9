#include "support/FakeLog.h"

namespace ze6::test {

std::unique_ptr<LogComponent> FakeLog::CreateLog()
{
    struct Log final : LogComponent {
        FakeLog& o;
        explicit Log(FakeLog& owner) : o(owner) {}
        void SetLoggerName(const std::string&) override {}
        void WriteError(const std::string& messageTemplate, const std::string& module, const std::string& proc,
                        const std::string& message) override
        {
            o.templates.push_back(messageTemplate);
            o.log.push_back(module + ", " + proc + ", " + message);
        }
    };
    ++logCreations;
    return std::make_unique<Log>(*this);
}

} // namespace ze6::test
