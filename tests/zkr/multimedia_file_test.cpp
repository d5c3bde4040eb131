#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/FileText.h"
#include "support/TempFolder.h"
#include "api/Protocol.h"
#include "zkr/ErrorRecording.h"
#include "api/Protocol.h"
#include "zkr/MultimediaFile.h"

using namespace zkr;
using velmora::test::readText;
using velmora::test::RecordingApplication;
using velmora::test::ShownError;
using velmora::test::TempFolder;
using velmora::test::writeText;

namespace {

bool haveSox()
{
    static const bool found = std::system("command -v sox >/dev/null 2>&1") == 0;
    return found;
}

#define REQUIRE_SOX()                                                                                        \
    if (!haveSox())                                                                                          \
    GTEST_SKIP() << "sox is not installed; wave files from another program cannot be made"

uint32_t get32(const std::string& bytes, size_t at)
{
    uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

void put32(std::string& bytes, size_t at, uint32_t value)
{
    std::memcpy(bytes.data() + at, &value, 4);
}

void put16(std::string& bytes, size_t at, uint16_t value)
{
    std::memcpy(bytes.data() + at, &value, 2);
}

std::string chunk(const char* id, const std::string& body)
{
    std::string bytes(id, 4);
    bytes.resize(8);
    put32(bytes, 4, static_cast<uint32_t>(body.size()));
    return bytes + body;
}

class MultimediaFileTest : public testing::Test {
protected:
    // A 0.05 s tone written by sox with the given format options.
    std::string soxFile(const std::string& name, const std::string& format, const char* type = "wav")
    {
        const std::string path = folder.file(name);
        const std::string command =
            "sox -n " + format + " -t " + type + " '" + path + "' synth 0.05 sine 440 sine 1250 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }

    // The samples of a wave file as sox decodes them, in the file's format.
    std::string soxSamples(const std::string& path)
    {
        const std::string raw = path + ".raw";
        const std::string command = "sox '" + path + "' -t raw '" + raw + "' 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return readText(raw);
    }

    // Everything from the data offset on, read in pieces of the given size.
    std::string readAll(MultimediaFile& file, int32_t piece)
    {
        std::string samples;
        std::vector<char> buffer(piece);
        for (;;) {
            int32_t got = -1;
            EXPECT_EQ(file.read(buffer.data(), piece, &got), toWire(engine::Error::Ok));
            if (got <= 0)
                break;
            samples.append(buffer.data(), got);
        }
        return samples;
    }

    // Attaches, reads the header and gives its status.
    int open(MultimediaFile& file, const std::string& path)
    {
        EXPECT_EQ(file.attach(path.c_str(), 0), toWire(engine::Error::Ok));
        return file.readHeader();
    }

    std::string pcm16Mono()
    {
        const std::string path = soxFile("mono.wav", "-r 44100 -c 1 -b 16 -e signed-integer");
        EXPECT_EQ(readText(path).size(), 44u + 4410u);
        return path;
    }

    RecordingApplication application;
    TempFolder folder;
};

} // namespace

// Reading files that another program wrote.

TEST_F(MultimediaFileTest, ReadsTheHeaderAndSamplesOfASoxFile)
{
    REQUIRE_SOX();
    const std::string path = soxFile("stereo.wav", "-r 22050 -c 2 -b 16 -e signed-integer");
    MultimediaFile file;
    ASSERT_EQ(open(file, path), toWire(engine::Error::Ok));

    EXPECT_EQ(file.header.channels, 2);
    EXPECT_EQ(file.header.samplesPerSecond, 22050u);
    EXPECT_EQ(file.header.averageBytesPerSecond, 88200u);
    EXPECT_EQ(file.header.blockAlign, 4);
    EXPECT_EQ(file.header.bitsPerSample, 16);
    EXPECT_EQ(file.header.dataSize, 4412u); // 1103 frames: sox rounds 1102.5 up
    EXPECT_EQ(file.dataOffset, 44);
    EXPECT_EQ(file.position(), 44);
    EXPECT_STREQ(file.extraChunks, "");
    EXPECT_EQ(file.frameCount(), 1103u);
    EXPECT_EQ(file.durationMs(), 50u);

    WaveFormat format;
    ASSERT_EQ(file.getFormat(&format), toWire(engine::Error::Ok));
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.channels, 2);
    EXPECT_EQ(format.samplesPerSecond, 22050u);
    EXPECT_EQ(format.averageBytesPerSecond, 88200u);
    EXPECT_EQ(format.blockAlign, 4);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.extraSize, 18);

    ASSERT_EQ(file.setDiskBuffer(1000), toWire(engine::Error::Ok));
    EXPECT_EQ(readAll(file, 333), soxSamples(path));
    EXPECT_TRUE(application.shown.empty());
}

TEST_F(MultimediaFileTest, SkipsTheTwoExtraBytesOfAn18ByteFormatChunk)
{
    REQUIRE_SOX();
    const std::string path = pcm16Mono();
    std::string bytes = readText(path);
    const std::string samples = bytes.substr(44);
    bytes.insert(36, std::string("\x00\x00", 2));
    put32(bytes, 16, 18);
    put32(bytes, 4, get32(bytes, 4) + 2);
    writeText(path, bytes);

    MultimediaFile file;
    ASSERT_EQ(open(file, path), toWire(engine::Error::Ok));
    EXPECT_EQ(file.header.formatSize, 18u);
    EXPECT_EQ(file.dataOffset, 46);
    EXPECT_EQ(readAll(file, 4096), samples);
}

TEST_F(MultimediaFileTest, NamesTheChunksSkippedBeforeTheData)
{
    REQUIRE_SOX();
    const std::string path = pcm16Mono();
    std::string bytes = readText(path);
    const std::string whole = bytes, samples = bytes.substr(44);
    const std::string extra =
        chunk("LIST", "INFOICMT\x04\0\0\0abc") + chunk("fact", std::string("\x8a\x08\0\0", 4));
    bytes.insert(36, extra);
    put32(bytes, 4, get32(bytes, 4) + extra.size());
    writeText(path, bytes);

    MultimediaFile file;
    ASSERT_EQ(open(file, path), toWire(engine::Error::Ok));
    EXPECT_STREQ(file.extraChunks, "'LIST';'fact';");
    EXPECT_EQ(file.dataOffset, static_cast<int32_t>(44 + extra.size()));
    EXPECT_EQ(readAll(file, 4096), samples);

    // Reading again starts the list afresh.
    ASSERT_EQ(file.seek(0, 0), toWire(engine::Error::Ok));
    ASSERT_EQ(file.readHeader(), toWire(engine::Error::Ok));
    EXPECT_STREQ(file.extraChunks, "'LIST';'fact';");

    // An odd-sized chunk is followed by its pad byte.
    writeText(path, std::string(whole).insert(36, chunk("LIST", std::string("INFOabc", 7)) + '\0' + extra));
    MultimediaFile padded;
    ASSERT_EQ(open(padded, path), toWire(engine::Error::Ok));
    EXPECT_STREQ(padded.extraChunks, "'LIST';'LIST';'fact';");
    EXPECT_EQ(readAll(padded, 4096), samples);
}

TEST_F(MultimediaFileTest, ManySkippedChunksNeverOverrunTheList)
{
    REQUIRE_SOX();
    const std::string path = pcm16Mono();
    std::string bytes = readText(path);
    std::string extra;
    for (int i = 0; i < 100; ++i)
        extra += chunk(i % 2 == 0 ? "junk" : "JUNK", "");
    bytes.insert(36, extra);
    writeText(path, bytes);

    MultimediaFile file;
    ASSERT_EQ(open(file, path), toWire(engine::Error::Ok));
    const std::string list = file.extraChunks;
    EXPECT_LE(list.size(), 255u);
    EXPECT_EQ(list.size() % 7, 0u) << "only whole entries";
    EXPECT_EQ(list.substr(0, 14), "'junk';'JUNK';");
    EXPECT_EQ(file.dataOffset, static_cast<int32_t>(44 + extra.size()));
}

// Files that are refused.

// Float samples and extensible format chunks (sox writes one for 24 bits)
// are read, their sample format told; other encodings and forms are refused.
TEST_F(MultimediaFileTest, NonPcmAndNonWaveFilesAreRefusedWithNotRiffWavePcm)
{
    REQUIRE_SOX();
    const struct {
        std::string path;
        uint16_t tag;
        uint16_t sampleFormat;
    } read[] = {
        {soxFile("float.wav", "-r 44100 -c 2 -b 32 -e floating-point"), kWaveFormatFloat, kWaveFormatFloat},
        {soxFile("deep.wav", "-r 48000 -c 2 -b 24 -e signed-integer"), kWaveFormatExtensible, kWaveFormatPcm},
    };
    for (const auto& wave : read) {
        MultimediaFile file;
        WaveFormat format;
        ASSERT_EQ(open(file, wave.path), toWire(engine::Error::Ok)) << wave.path;
        EXPECT_EQ(file.header.formatTag, wave.tag);
        EXPECT_EQ(file.getFormat(&format), toWire(engine::Error::Ok));
        EXPECT_EQ(format.formatTag, wave.sampleFormat);
        EXPECT_EQ(file.dataOffset + static_cast<int32_t>(file.header.dataSize),
                  static_cast<int32_t>(readText(wave.path).size()));
    }
    std::vector<std::string> refused = {
        soxFile("alaw.wav", "-r 8000 -c 1 -e a-law"),
    };
    std::string mp3 = readText(pcm16Mono());
    put16(mp3, 20, 85);
    writeText(folder.file("mp3.wav"), mp3);
    refused.push_back(folder.file("mp3.wav"));
    std::string avi = readText(folder.file("mono.wav"));
    avi.replace(8, 4, "AVI ");
    writeText(folder.file("avi.wav"), avi);
    refused.push_back(folder.file("avi.wav"));

    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        application.shown.clear();
        MultimediaFile file;
        EXPECT_EQ(open(file, path), toWire(engine::Error::NotRiffWavePcm));
        EXPECT_EQ(file.lastError, toWire(engine::Error::NotRiffWavePcm));
        const std::string name = path.substr(path.rfind('/') + 1);
        EXPECT_EQ(application.shown,
                  (std::vector<ShownError>{{toWire(engine::Error::NotRiffWavePcm), name}}));
    }
}

TEST_F(MultimediaFileTest, FilesThatEndTooEarlyGiveUnexpectedEof)
{
    REQUIRE_SOX();
    const std::string whole = readText(pcm16Mono());
    // Cut inside the RIFF part, inside the format, before and inside the data
    // chunk's head.
    for (size_t length : {0u, 10u, 20u, 36u, 40u}) {
        SCOPED_TRACE(length);
        writeText(folder.file("cut.wav"), whole.substr(0, length));
        MultimediaFile file;
        EXPECT_EQ(open(file, folder.file("cut.wav")), toWire(engine::Error::UnexpectedEof));
    }

    const std::string empty = soxFile("empty.wav", "-r 44100 -c 1 -b 16 -e signed-integer");
    std::string bytes = readText(empty);
    put32(bytes, 40, 0);
    writeText(empty, bytes.substr(0, 44));
    MultimediaFile file;
    EXPECT_EQ(open(file, empty), toWire(engine::Error::UnexpectedEof));
    EXPECT_EQ(application.shown.back(), (ShownError{toWire(engine::Error::UnexpectedEof), "empty.wav"}));
}

TEST_F(MultimediaFileTest, HostileChunkSizesEndInAClearAnswer)
{
    REQUIRE_SOX();
    const std::string whole = readText(pcm16Mono());
    const std::string samples = whole.substr(44);

    // A format chunk of 4 GB - 1 counts as less than 16 and is not skipped.
    std::string bytes = whole;
    put32(bytes, 16, 0xFFFFFFFFu);
    writeText(folder.file("a.wav"), bytes);
    MultimediaFile hugeFormat;
    EXPECT_EQ(open(hugeFormat, folder.file("a.wav")), toWire(engine::Error::Ok));

    // Skipping 2 GB, within a RIFF file's reach, ends past the file: no data chunk.
    put32(bytes, 16, 0x7FFFFFF0u);
    writeText(folder.file("b.wav"), bytes);
    MultimediaFile farFormat;
    EXPECT_EQ(open(farFormat, folder.file("b.wav")), toWire(engine::Error::UnexpectedEof));

    // A chunk whose size reads as negative never leads back to itself.
    bytes = whole;
    bytes.insert(36, chunk("back", ""));
    put32(bytes, 40, 0xFFFFFFF8u);
    writeText(folder.file("c.wav"), bytes);
    MultimediaFile backwards;
    EXPECT_EQ(open(backwards, folder.file("c.wav")), toWire(engine::Error::SeekFailed));

    // A chunk that reaches past the end leaves no data chunk to find.
    bytes = whole;
    bytes.insert(36, chunk("over", ""));
    put32(bytes, 40, 100000);
    writeText(folder.file("d.wav"), bytes);
    MultimediaFile over;
    EXPECT_EQ(open(over, folder.file("d.wav")), toWire(engine::Error::UnexpectedEof));

    // A data chunk larger than the file gives the samples that are there.
    bytes = whole;
    put32(bytes, 40, 0x7FFFFFFFu);
    writeText(folder.file("e.wav"), bytes);
    MultimediaFile longData;
    ASSERT_EQ(open(longData, folder.file("e.wav")), toWire(engine::Error::Ok));
    EXPECT_EQ(readAll(longData, 1000), samples);
}

// Writing.

TEST_F(MultimediaFileTest, ARecordingReadsBackThroughSoxSampleForSample)
{
    REQUIRE_SOX();
    std::string samples(30000, '\0');
    std::mt19937 random(7);
    for (char& c : samples)
        c = static_cast<char>(random());

    const std::string path = folder.file("recording.wav");
    MultimediaFile file;
    ASSERT_EQ(file.attach(path.c_str(), MultimediaFile::kModeCreate), toWire(engine::Error::Ok));
    ASSERT_EQ(file.setDiskBuffer(4096), toWire(engine::Error::Ok));
    ASSERT_EQ(file.buildHeader(0, 44100, 2, 16), toWire(engine::Error::Ok));
    ASSERT_EQ(file.writeHeader(), toWire(engine::Error::Ok));
    EXPECT_EQ(file.dataOffset, 44);
    // Pieces smaller and larger than the disk buffer.
    for (size_t at = 0, piece = 100; at < samples.size(); at += piece, piece = piece * 3 % 9001 + 1) {
        const int32_t count = static_cast<int32_t>(std::min(piece, samples.size() - at));
        int32_t written = 0;
        ASSERT_EQ(file.write(samples.data() + at, count, &written), toWire(engine::Error::Ok));
        ASSERT_EQ(written, count);
    }
    ASSERT_EQ(file.finish(static_cast<uint32_t>(samples.size())), toWire(engine::Error::Ok));
    ASSERT_EQ(file.detach(), toWire(engine::Error::Ok));

    const std::string bytes = readText(path);
    ASSERT_EQ(bytes.size(), 44 + samples.size());
    EXPECT_EQ(get32(bytes, 4), samples.size() + 36);
    EXPECT_EQ(get32(bytes, 28), 176400u);
    EXPECT_EQ(soxSamples(path), samples);
}

TEST_F(MultimediaFileTest, ARecordingsHeaderDescribesTheDataOnDiskWhileOpenAndAfterADiskFull)
{
    std::string samples(200000, '\0'); // 6.25 s at 32000 bytes a second
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<char>(i % 251);
    const auto record = [&](MultimediaFile& file, const std::string& path) {
        if (file.attach(path.c_str(), MultimediaFile::kModeCreate) || file.setDiskBuffer(4096) ||
            file.buildHeader(0, 8000, 2, 16) || file.writeHeader())
            return -1;
        int failures = 0;
        for (size_t at = 0; at < samples.size(); at += 1000)
            failures += file.write(samples.data() + at, 1000, nullptr) == toWire(engine::Error::WriteFailed);
        return failures;
    };
    MultimediaFile recording, reader;
    ASSERT_EQ(record(recording, folder.file("open.wav")), 0);
    ASSERT_EQ(open(reader, folder.file("open.wav")), toWire(engine::Error::Ok));
    EXPECT_GE(reader.header.dataSize, samples.size() - 4 * 32000);
    EXPECT_EQ(readAll(reader, 4096).substr(0, reader.header.dataSize),
              samples.substr(0, reader.header.dataSize));

    // The disk fills inside a frame: the failure is still reported.
    const pid_t child = fork();
    if (child == 0) {
        alarm(20); // a hang fails the wait below
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{44 + 10002, 44 + 10002};
        MultimediaFile full;
        const int failures =
            setrlimit(RLIMIT_FSIZE, &limit) == 0 ? record(full, folder.file("full.wav")) : -1;
        _exit(failures > 0 &&
                      full.finish(static_cast<uint32_t>(samples.size())) == toWire(engine::Error::WriteFailed)
                  ? 0
                  : 1);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(status, 0);
    MultimediaFile full;
    ASSERT_EQ(open(full, folder.file("full.wav")), toWire(engine::Error::Ok));
    EXPECT_EQ(full.header.dataSize, 10000u);
    EXPECT_EQ(full.header.riffSize, 10036u);
    EXPECT_EQ(readAll(full, 4096), samples.substr(0, 10002));
    EXPECT_TRUE(!haveSox() ||
                std::system(("test $(sox --i -s " + folder.file("full.wav") + ") = 2500").c_str()) == 0);
}

TEST_F(MultimediaFileTest, AnEmptyRecordingIsA44ByteFile)
{
    const std::string path = folder.file("silence.wav");
    MultimediaFile file;
    ASSERT_EQ(file.attach(path.c_str(), MultimediaFile::kModeCreate), toWire(engine::Error::Ok));
    ASSERT_EQ(file.setDiskBuffer(65536), toWire(engine::Error::Ok));
    ASSERT_EQ(file.buildHeader(0, 44100, 1, 16), toWire(engine::Error::Ok));
    ASSERT_EQ(file.writeHeader(), toWire(engine::Error::Ok));
    ASSERT_EQ(file.finish(0), toWire(engine::Error::Ok));
    ASSERT_EQ(file.detach(), toWire(engine::Error::Ok));

    const std::string expected("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xac\0\0\x88\x58\x01\0"
                               "\x02\0\x10\0data\0\0\0\0",
                               44);
    EXPECT_EQ(readText(path), expected);
}

TEST_F(MultimediaFileTest, CreatingTruncatesAnOldFile)
{
    const std::string path = folder.file("old.wav");
    writeText(path, std::string(1000, 'x'));
    MultimediaFile file;
    ASSERT_EQ(file.attach(path.c_str(), MultimediaFile::kModeCreate), toWire(engine::Error::Ok));
    ASSERT_EQ(file.buildHeader(0, 8000, 1, 8), toWire(engine::Error::Ok));
    ASSERT_EQ(file.writeHeader(), toWire(engine::Error::Ok));
    ASSERT_EQ(file.detach(), toWire(engine::Error::Ok));
    EXPECT_EQ(readText(path).size(), 44u);
}

// A recording goes past 2 GiB (made sparse by seeking) up to the most a RIFF
// header counts, in whole frames, and no further; a new file never takes a
// name that something has, nor follows a link there.
TEST_F(MultimediaFileTest, ARecordingReachesTheRiffLimitAndANewFileNeverFollowsALink)
{
    const std::string link = folder.file("link.wav");
    ASSERT_EQ(symlink(folder.file("victim").c_str(), link.c_str()), 0);
    MultimediaFile file;
    file.silent = true;
    EXPECT_EQ(file.attach(link.c_str(), MultimediaFile::kModeCreateNew),
              toWire(engine::Error::CannotUseResource));
    EXPECT_EQ(file.openError, EEXIST);
    EXPECT_NE(access(folder.file("victim").c_str(), F_OK), 0);

    const std::string path = folder.file("long.wav");
    ASSERT_EQ(file.attach(path.c_str(), MultimediaFile::kModeCreateNew), toWire(engine::Error::Ok));
    ASSERT_EQ(file.buildHeader(0, 44100, 2, 16), toWire(engine::Error::Ok));
    ASSERT_EQ(file.writeHeader(), toWire(engine::Error::Ok));
    const int64_t wholeFrames = MultimediaFile::kMaxDataBytes / 4 * 4;
    ASSERT_EQ(file.seek(INT32_MAX, 0), toWire(engine::Error::Ok));
    ASSERT_EQ(file.seek(INT32_MAX, 1), toWire(engine::Error::Ok));
    ASSERT_EQ(file.seek(static_cast<int32_t>(44 + wholeFrames - 4 - 2 * int64_t{INT32_MAX}), 1),
              toWire(engine::Error::Ok));
    EXPECT_EQ(file.room(), 4);
    EXPECT_EQ(file.write("abcdefgh", 8, nullptr), toWire(engine::Error::WriteFailed));
    ASSERT_EQ(file.write("abcd", 4, nullptr), toWire(engine::Error::Ok));
    EXPECT_EQ(file.room(), 0);
    EXPECT_EQ(file.position(), 44 + wholeFrames);
    ASSERT_EQ(file.finish(static_cast<uint32_t>(wholeFrames)), toWire(engine::Error::Ok));
    ASSERT_EQ(file.detach(), toWire(engine::Error::Ok));
    std::string header(44, '\0');
    std::ifstream(path, std::ios::binary).read(header.data(), 44);
    EXPECT_EQ(get32(header, 40), wholeFrames);
    EXPECT_EQ(get32(header, 4), wholeFrames + 36);
}

// Lengths.

TEST_F(MultimediaFileTest, DurationRoundsTheByteRateDownToWholeMilliseconds)
{
    MultimediaFile file;
    (void)file.buildHeader(441000, 44100, 1, 16);
    EXPECT_EQ(file.header.averageBytesPerSecond, 88200u);
    EXPECT_EQ(file.durationMs(), 5011u);
    EXPECT_EQ(file.frameCount(), 220500u);

    (void)file.buildHeader(176400, 44100, 2, 16);
    EXPECT_EQ(file.durationMs(), 1002u); // 176 bytes per millisecond

    // Rates below 1000 bytes per second and a block align of 0 give 0.
    (void)file.buildHeader(5000, 100, 1, 8);
    EXPECT_EQ(file.durationMs(), 0u);
    (void)file.buildHeader(5000, 44100, 1, 4);
    EXPECT_EQ(file.frameCount(), 0u);
}

// Misuse.

TEST_F(MultimediaFileTest, OperationsWithoutAFileGiveNoExternalResource)
{
    MultimediaFile file;
    char buffer[8];
    int32_t count = 5;
    EXPECT_EQ(file.readHeader(), toWire(engine::Error::NoExternalResource));
    EXPECT_EQ(file.read(buffer, 8, &count), toWire(engine::Error::NoExternalResource));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(file.write(buffer, 8, &count), toWire(engine::Error::NoExternalResource));
    EXPECT_EQ(file.seek(0, 0), toWire(engine::Error::NoExternalResource));
    EXPECT_EQ(file.position(), toWire(engine::Error::NoExternalResource));
    EXPECT_EQ(file.setDiskBuffer(4096), toWire(engine::Error::NoExternalResource));
    EXPECT_EQ(file.writeHeader(), toWire(engine::Error::NoExternalResource));
    EXPECT_EQ(file.finish(0), toWire(engine::Error::NoExternalResource));
    EXPECT_EQ(application.shown.size(), 8u);
    EXPECT_EQ(application.shown.front(),
              (ShownError{toWire(engine::Error::NoExternalResource), "Multimedia File"}));
}

TEST_F(MultimediaFileTest, OpenFailuresAndRefusedBuffersAreReported)
{
    MultimediaFile file;
    EXPECT_EQ(file.attach(folder.file("missing.wav").c_str(), 0), toWire(engine::Error::CannotUseResource));
    EXPECT_EQ(file.attach(folder.file("no/such/folder.wav").c_str(), MultimediaFile::kModeCreate),
              toWire(engine::Error::CannotUseResource));

    ASSERT_EQ(file.attach(folder.file("new.wav").c_str(), MultimediaFile::kModeCreate),
              toWire(engine::Error::Ok));
    EXPECT_EQ(file.setDiskBuffer(-1), toWire(engine::Error::DiskBuffer));
    EXPECT_EQ(file.setDiskBuffer(0x7FFFFFFF), toWire(engine::Error::DiskBuffer));
    EXPECT_EQ(file.setDiskBuffer(0), toWire(engine::Error::Ok)); // unbuffered
    EXPECT_EQ(application.shown,
              (std::vector<ShownError>{
                  {1, "Multimedia File"}, {1, "Multimedia File"}, {7, "new.wav"}, {7, "new.wav"}}));

    // A seek before the start fails and leaves the position.
    EXPECT_EQ(file.seek(-1, 0), toWire(engine::Error::SeekFailed));
    EXPECT_EQ(file.position(), 0);
}

TEST_F(MultimediaFileTest, BufferedReadsAndSeeksAgreeWithTheFile)
{
    std::string content(50000, '\0');
    std::mt19937 random(11);
    for (char& c : content)
        c = static_cast<char>(random());
    writeText(folder.file("data.bin"), content);

    MultimediaFile file;
    ASSERT_EQ(file.attach(folder.file("data.bin").c_str(), 0), toWire(engine::Error::Ok));
    ASSERT_EQ(file.setDiskBuffer(1024), toWire(engine::Error::Ok));
    std::vector<char> buffer(3000);
    int32_t expectedAt = 0;
    for (int step = 0; step < 400; ++step) {
        const int32_t target = static_cast<int32_t>(random() % 52000);
        if (step % 3 == 0) {
            ASSERT_EQ(file.seek(target, 0), toWire(engine::Error::Ok));
            expectedAt = target;
        } else if (step % 3 == 1) {
            const int32_t by = static_cast<int32_t>(random() % 4000) - 2000;
            if (expectedAt + by >= 0) {
                ASSERT_EQ(file.seek(by, 1), toWire(engine::Error::Ok));
                expectedAt += by;
            }
        }
        ASSERT_EQ(file.position(), expectedAt);
        const int32_t want = static_cast<int32_t>(random() % buffer.size());
        int32_t got = -1;
        ASSERT_EQ(file.read(buffer.data(), want, &got), toWire(engine::Error::Ok));
        const int32_t available = std::max(0, static_cast<int32_t>(content.size()) - expectedAt);
        ASSERT_EQ(got, std::min(want, available)) << "step " << step;
        ASSERT_EQ(std::string(buffer.data(), got),
                  content.substr(std::min<size_t>(expectedAt, content.size()), got));
        expectedAt += got;
    }
}
