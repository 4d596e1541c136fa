// The plain LZARI decoder (bench/host/plain_lzari.cpp) as a process of its own, for timing whole
// processes side by side: decodes one raw stream (as `assetpack lzari-encode` writes it) and
// prints the number of bytes it gave.
//
//   build/release/plain_lzari_decode STREAM

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "host/plain_lzari.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: plain_lzari_decode STREAM\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "plain_lzari_decode: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string stream((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::printf("%zu bytes\n", bench::plainLzariDecode(stream).size());
    return 0;
}
