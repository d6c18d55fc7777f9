#include "support/FakeDataFileReader.h"

#include "platform/RealComponents.h"

#include <stdexcept>

namespace ze6::test {

std::unique_ptr<ApplicationInfo> FakeDataFileReader::CreateReader()
{
    struct Reader final : ApplicationInfo {
        FakeDataFileReader& o;
        std::unique_ptr<ApplicationInfo> r = MakeDataFileInfo();
        explicit Reader(FakeDataFileReader& owner) : o(owner) {}
        void Open(const std::string& path) override { r->Open(path); }
        std::string FullName() const override { return r->FullName(); }
        std::string Folder() const override { return r->Folder(); }
        std::string AttachedFile() const override { return o.attachedFile; }
        void LoadLists() override { r->LoadLists(); }
        std::vector<NumberedCompanion> NumberedCompanions() const override { return r->NumberedCompanions(); }
        std::vector<LinkedSet> LinkedSets() const override { return o.linkedSets; }
        void Close() override { r->Close(); }
        void ReadFileSummary(const std::string& path, std::string& description, std::int32_t& number,
                             std::string& recognition) override
        {
            o.asked.push_back(path);
            if (!description.empty() || number != 0 || !recognition.empty())
                throw std::logic_error("out-parameters not cleared before ReadFileSummary");
            if (!o.recognise)
                return r->ReadFileSummary(path, description, number, recognition);
            number = 42;
            if (o.recognise(path)) {
                description = "Data of " + path.substr(path.find_last_of('/') + 1);
                recognition = "RZ6";
            }
        }
    };
    if (failReader)
        throw std::runtime_error("no data-file reader");
    return std::make_unique<Reader>(*this);
}

} // namespace ze6::test
