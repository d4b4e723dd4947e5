// make-client-mdb <path>: makes a fresh Client.mdb with both tables. An
// existing file is left as it is.
#include <cstdio>
#include <exception>

#include <sys/stat.h>

#include "ClientMdb.h"

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-client-mdb <path>\n");
        return 2;
    }
    struct stat existing {};
    if (stat(argv[1], &existing) == 0)
        return 0;
    try {
        CreateClientMdb(argv[1]);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "make-client-mdb: %s\n", error.what());
        return 1;
    }
    return 0;
}
