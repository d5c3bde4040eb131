// Wave files are read as they come: any chunk sizes, truncated anywhere. The
// header reader must end with a clear answer, never read outside the file,
// loop for ever or allocate by a size it read; the samples it then offers
// are exactly the file's bytes from the data offset on.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "api/Protocol.h"
#include "zkr/MultimediaFile.h"

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "riff header fuzz: %s\n", what);
        std::abort();
    }
}

const std::string& inputPath()
{
    static const std::string path = [] {
        std::string pattern =
            (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/velmora-riff-XXXXXX");
        check(mkdtemp(pattern.data()) != nullptr, "no temporary folder");
        return pattern + "/input.wav";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& path = inputPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    zkr::MultimediaFile file;
    file.silent = true;
    check(file.attach(path.c_str(), 0) == toWire(engine::Error::Ok), "cannot open the input");
    const int status = file.readHeader();
    check(status == toWire(engine::Error::Ok) || status == toWire(engine::Error::ReadFailed) ||
              status == toWire(engine::Error::SeekFailed) ||
              status == toWire(engine::Error::NotRiffWavePcm) ||
              status == toWire(engine::Error::UnexpectedEof),
          "unexpected status");
    check(std::memchr(file.extraChunks, '\0', sizeof file.extraChunks) != nullptr, "chunk list not ended");
    // Every entry ends in "';" (ids with zero bytes give shorter entries).
    const size_t listLength = std::strlen(file.extraChunks);
    check(listLength == 0 || std::strcmp(file.extraChunks + listLength - 2, "';") == 0,
          "partial chunk list entry");

    if (status == toWire(engine::Error::Ok)) {
        check(file.header.dataSize != 0, "empty data chunk accepted");
        check(file.dataOffset >= 44 && static_cast<size_t>(file.dataOffset) <= size,
              "data offset outside the file");
        check(file.position() == file.dataOffset, "not positioned at the data");
        file.durationMs();
        file.frameCount();
        zkr::WaveFormat format;
        (void)file.getFormat(&format);

        check(file.setDiskBuffer(64) == toWire(engine::Error::Ok), "small disk buffer refused");
        std::vector<uint8_t> samples;
        uint8_t block[50];
        for (;;) {
            int32_t got = -1;
            check(file.read(block, sizeof block, &got) == toWire(engine::Error::Ok), "sample read failed");
            check(got >= 0 && got <= static_cast<int32_t>(sizeof block), "count out of range");
            if (got == 0)
                break;
            samples.insert(samples.end(), block, block + got);
        }
        check(samples.size() == size - static_cast<size_t>(file.dataOffset), "samples missing or invented");
        check(samples.empty() || std::memcmp(samples.data(), data + file.dataOffset, samples.size()) == 0,
              "samples differ from the file");
    }
    check(file.detach() == toWire(engine::Error::Ok), "cannot close the input");
    return 0;
}
