#include "platform/ArchiveReadBack.h"
#include "platform/RealComponents.h"
#include "platform/RuntimeError.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace ze6 {
namespace {

// Clears the damage hook even when an expectation fails.
struct Damage {
    explicit Damage(std::function<void(int)> damage) { SetBeforeReadBackForTesting(std::move(damage)); }
    ~Damage() { SetBeforeReadBackForTesting({}); }
};

std::string Incompressible(std::size_t size)
{
    std::mt19937 generator(5);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator());
    return bytes;
}

TEST(ArchiveReadBack, ADamagedArchiveIsAnErrorAndNeverGetsItsName)
{
    const test::TempFolder temp;
    const std::string data = temp.Write("data/A.RZT", Incompressible(1 << 16));
    const std::string companion = temp.Write("data/A.rzd", "companion");
    const std::string out = temp.MakeFolder("out");
    const std::function<void(int)> damages[] = {
        [](int descriptor) { // one bit of the first entry's data
            char byte = 0;
            ASSERT_EQ(::pread(descriptor, &byte, 1, 4000), 1);
            byte ^= 0x10;
            ASSERT_EQ(::pwrite(descriptor, &byte, 1, 4000), 1);
        },
        [](int descriptor) { ASSERT_EQ(::ftruncate(descriptor, 2000), 0); }, // the end cut off
    };
    for (const auto& damage : damages) {
        const Damage injected(damage);
        auto writer = MakeZipArchiveWriter();
        writer->SetArchiveName(out + "A_2024-03-07-14-05-09.RZZ");
        writer->AddFile(data, 0, 0, "");
        writer->AddFile(companion, 0, 0, "");
        EXPECT_THROW(writer->Finish(), RuntimeError);
        EXPECT_TRUE(std::filesystem::is_empty(out)); // neither the archive nor its temporary
    }
    // Undamaged, the same archive is written.
    auto writer = MakeZipArchiveWriter();
    writer->SetArchiveName(out + "A_2024-03-07-14-05-09.RZZ");
    writer->AddFile(data, 0, 0, "");
    writer->Finish();
    EXPECT_TRUE(test::Exists(out + "A_2024-03-07-14-05-09.RZZ"));
}

} // namespace
} // namespace ze6
