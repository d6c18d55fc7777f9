/*
 * The benchmark's one-process peer for many small data files: for every
 * *.RZT in SOURCE it writes TARGET/<stem>.zip holding the data file and the
 * <stem>.RZD and <stem>.RZI beside it, with libzip at deflate level 6, in the
 * folder's order. No fsync and no read-back: the plainest use of the library.
 *   libzip_archives SOURCE TARGET
 */
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <zip.h>

static const char* const companions[] = {".RZT", ".RZD", ".RZI"};

static int by_name(const void* a, const void* b)
{
    return strcmp(*(const char* const*)a, *(const char* const*)b);
}

static int add(zip_t* archive, const char* folder, const char* stem, const char* extension)
{
    char path[4096];
    char name[1024];
    struct stat status;
    snprintf(path, sizeof path, "%s/%s%s", folder, stem, extension);
    snprintf(name, sizeof name, "%s%s", stem, extension);
    if (stat(path, &status) != 0)
        return 0;
    zip_source_t* source = zip_source_file(archive, path, 0, -1);
    if (source == NULL)
        return -1;
    const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_ENC_GUESS);
    if (index < 0) {
        zip_source_free(source);
        return -1;
    }
    return zip_set_file_compression(archive, (zip_uint64_t)index, ZIP_CM_DEFLATE, 6);
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s SOURCE TARGET\n", argv[0]);
        return 2;
    }
    DIR* folder = opendir(argv[1]);
    if (folder == NULL) {
        perror(argv[1]);
        return 1;
    }
    size_t count = 0, room = 1024;
    char** stems = malloc(room * sizeof *stems);
    for (struct dirent* entry; (entry = readdir(folder)) != NULL;) {
        const size_t length = strlen(entry->d_name);
        if (length <= 4 || strcmp(entry->d_name + length - 4, ".RZT") != 0)
            continue;
        if (count == room)
            stems = realloc(stems, (room *= 2) * sizeof *stems);
        stems[count] = strndup(entry->d_name, length - 4);
        ++count;
    }
    closedir(folder);
    qsort(stems, count, sizeof *stems, by_name);

    int failed = 0;
    for (size_t i = 0; i < count && !failed; ++i) {
        char path[4096];
        int error = 0;
        snprintf(path, sizeof path, "%s/%s.zip", argv[2], stems[i]);
        zip_t* archive = zip_open(path, ZIP_CREATE | ZIP_EXCL, &error);
        if (archive == NULL) {
            fprintf(stderr, "%s: cannot create (libzip error %d)\n", path, error);
            failed = 1;
            break;
        }
        for (size_t c = 0; c < sizeof companions / sizeof *companions && !failed; ++c) {
            if (add(archive, argv[1], stems[i], companions[c]) != 0) {
                fprintf(stderr, "%s: %s\n", path, zip_strerror(archive));
                failed = 1;
            }
        }
        if (failed) {
            zip_discard(archive);
        } else if (zip_close(archive) != 0) {
            fprintf(stderr, "%s: %s\n", path, zip_strerror(archive));
            zip_discard(archive);
            failed = 1;
        }
    }
    for (size_t i = 0; i < count; ++i)
        free(stems[i]);
    free(stems);
    return failed;
}
