#pragma once

#include "platform/Components.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ze6::test {

// The product's data-file reader cannot exist here. This one is the stand-in
// reader except for what a test sets: the attached file and linked sets it
// reports, and, with `recognise` set, which files its summary recognises
// (described as "Data of <name>"). It records every path it is asked to
// summarise and refuses out-parameters that were not cleared first.
class FakeDataFileReader {
public:
    std::unique_ptr<ApplicationInfo> CreateReader();

    std::string attachedFile;
    std::vector<ApplicationInfo::LinkedSet> linkedSets;
    std::function<bool(const std::string& path)> recognise;
    std::vector<std::string> asked;
    bool failReader = false;
};

} // namespace ze6::test
