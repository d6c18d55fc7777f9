#pragma once

#include "platform/RuntimeError.h"

#include <gtest/gtest.h>
#include <string>

namespace ze6::test {

// The number of the RuntimeError `action` raises, whose source must be
// `source` unless that is empty; 0, and a test failure, when none is raised.
template <typename Action> std::int32_t RaisedNumber(Action&& action, const std::string& source = "")
{
    try {
        action();
    } catch (const RuntimeError& error) {
        EXPECT_TRUE(source.empty() || error.Source() == source) << error.Source();
        return error.Number();
    }
    ADD_FAILURE() << "no error raised";
    return 0;
}

} // namespace ze6::test
