#include <stdio.h>
#include <string.h>
#include <zip.h>

/* Writes a deflated entry into an archive in memory and reads it back. */
int main(void) {
    static const char text[] = "an entry deflated in memory, an entry deflated in memory";
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* mem = zip_source_buffer_create(NULL, 0, 0, &error);
    zip_source_keep(mem);
    zip_t* za = zip_open_from_source(mem, ZIP_TRUNCATE, &error);
    if (!za) return 1;
    zip_source_t* entry = zip_source_buffer(za, text, sizeof text, 0);
    zip_int64_t index = zip_file_add(za, "a.txt", entry, 0);
    if (index < 0 || zip_set_file_compression(za, index, ZIP_CM_DEFLATE, 9)) return 1;
    if (zip_close(za)) return 1;
    if (zip_source_open(mem) || zip_source_seek(mem, 0, SEEK_END)) return 1;
    zip_int64_t size = zip_source_tell(mem);
    zip_source_close(mem);
    za = zip_open_from_source(mem, ZIP_RDONLY, &error);
    if (!za) return 1;
    char back[sizeof text];
    zip_file_t* f = zip_fopen(za, "a.txt", 0);
    if (!f || zip_fread(f, back, sizeof back) != (zip_int64_t)sizeof text) return 1;
    zip_fclose(f);
    zip_close(za);
    if (memcmp(back, text, sizeof text) != 0) return 1;
    printf("libzip %s: archive of %lld bytes round trip\n", zip_libzip_version(), (long long)size);
    return 0;
}
