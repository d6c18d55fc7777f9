#pragma once

namespace ze6::test {

// While one exists, fsync of a folder fails with EIO in this process (a fault
// no file system here produces on demand); files sync as usual.
class FailingFolderSync {
public:
    FailingFolderSync();
    ~FailingFolderSync();
};

} // namespace ze6::test
