#pragma once

#include "platform/Components.h"
#include "support/ScriptedPrompt.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace ze6::test {

// Stands in for the product's data-file reader: recognises what the test says
// and describes each file by its name, recording every path it was asked about.
class FakeDataFileReader final : public ApplicationInfo {
public:
    using Recognise = std::function<bool(const std::string& path)>;

    FakeDataFileReader(Recognise recognise, std::vector<std::string>& asked)
        : m_recognise(std::move(recognise)), m_asked(asked)
    {
    }

    void SetModeFlag(bool) override {}
    void Open(const std::string&) override {}
    std::string FullName() const override { return {}; }
    std::string Folder() const override { return {}; }
    std::string AttachedFile() const override { return {}; }
    void LoadLists() override {}
    std::vector<NumberedCompanion> NumberedCompanions() const override { return {}; }
    std::vector<LinkedSet> LinkedSets() const override { return {}; }
    void Close() override {}

    void ReadFileSummary(const std::string& path, std::string& description, std::int32_t& number,
                         std::string& recognition) override
    {
        m_asked.push_back(path);
        // The caller must hand in cleared values for every file.
        if (!description.empty() || number != 0 || !recognition.empty())
            throw std::logic_error("out-parameters not cleared before ReadFileSummary");
        number = 42;
        if (!m_recognise(path))
            return;
        description = "Data of " + path.substr(path.find_last_of('/') + 1);
        recognition = "RZ6";
    }

private:
    Recognise m_recognise;
    std::vector<std::string>& m_asked;
};

// Real components and a scripted prompt, with the fake reader; counts how
// many readers were created.
class ReaderComponents : public TestComponents {
public:
    std::unique_ptr<ApplicationInfo> CreateApplicationInfo() override
    {
        ++readersCreated;
        if (failCreation)
            throw std::runtime_error("no data-file reader");
        return std::make_unique<FakeDataFileReader>(recognise, asked);
    }

    FakeDataFileReader::Recognise recognise = [](const std::string&) { return true; };
    std::vector<std::string> asked;
    int readersCreated = 0;
    bool failCreation = false;
};

} // namespace ze6::test
