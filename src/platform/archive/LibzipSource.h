#pragma once

#include <zip.h>

namespace ze6 {

// What every libzip source function of this program shares: the error libzip
// asks for with ZIP_SOURCE_ERROR, and the trampoline from libzip's C callback
// to `Derived::Handle(data, length, command)`.
template <typename Derived> class LibzipSource {
public:
    LibzipSource() { zip_error_init(&m_error); }
    ~LibzipSource() { zip_error_fini(&m_error); }
    LibzipSource(const LibzipSource&) = delete;
    LibzipSource& operator=(const LibzipSource&) = delete;

    // A libzip source served by this object; libzip owns the source, this
    // object must outlive it.
    zip_source_t* CreateSource(zip_error_t* error) { return zip_source_function_create(&Callback, this, error); }

protected:
    // The commands every source answers alike: the last error, a free that
    // needs nothing, and any other as unsupported.
    zip_int64_t HandleCommon(void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        if (command == ZIP_SOURCE_ERROR)
            return zip_error_to_data(&m_error, data, length);
        if (command == ZIP_SOURCE_FREE)
            return 0;
        zip_error_set(&m_error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }

    zip_error_t m_error{};

private:
    static zip_int64_t Callback(void* userdata, void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        return static_cast<Derived*>(static_cast<LibzipSource*>(userdata))->Handle(data, length, command);
    }
};

} // namespace ze6
