#include "support/ScriptedPrompt.h"

#include <thread>

namespace ze6::test {

PromptAnswer ScriptedPrompt::Ask(const PromptRequest& request)
{
    asked.push_back(request);
    if (onAsk)
        onAsk(request);
    if (answers.empty())
        return DefaultAnswer(request.buttons);
    const PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

TestComponents::TestComponents()
{
    SetComponents(this);
}

TestComponents::~TestComponents()
{
    SetComponents(nullptr);
}

std::unique_ptr<ArchiveWriter> TestComponents::CreateArchiveWriter()
{
    struct Hooked final : ArchiveWriter {
        TestComponents& owner;
        std::unique_ptr<ArchiveWriter> real;
        std::string name;
        Hooked(TestComponents& o, std::unique_ptr<ArchiveWriter> r) : owner(o), real(std::move(r)) {}
        void SetArchiveName(const std::string& path) override { name = path, real->SetArchiveName(path); }
        void AddFile(const std::string& path) override { real->AddFile(path); }
        void SetBlockObserver(BlockObserver observer) override
        {
            real->SetBlockObserver([observer = std::move(observer), &hooks = owner](std::uint64_t bytes) {
                std::this_thread::sleep_for(hooks.blockPause);
                if (hooks.onBlock)
                    hooks.onBlock();
                return observer(bytes);
            });
        }
        // onFinish stands in for the whole writer; it runs when the archive
        // would be committed, on the run's thread.
        void Build() override
        {
            if (!owner.onFinish)
                real->Build();
        }
        void Commit() override { owner.onFinish ? owner.onFinish(name) : real->Commit(); }
        void Finish() override { owner.onFinish ? owner.onFinish(name) : real->Finish(); }
    };
    return std::make_unique<Hooked>(*this, MakeZipArchiveWriter(writerFaults));
}

} // namespace ze6::test
