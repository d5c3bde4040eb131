// The media player in the real engine: files made by ffmpeg played through
// our decoder modules, command strings, pause, seek, loop, the playlist and
// the automatic cross-fade; the decoder modules each player loads.

#include <algorithm>
#include <cstring>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>

#include "api/Protocol.h"
#include "platform/ui/Window.h"
#include "plevnt/PlevntEngineKit.h"
#include "support/Ffmpeg.h"
#include "zkr/Product.h"

namespace velmora::test {
namespace {

std::string sine(double seconds, int rate, const char* frequency)
{
    return "-f lavfi -i sine=frequency=" + std::string(frequency) + ":sample_rate=" + std::to_string(rate) +
           ":duration=" + std::to_string(seconds);
}

// Two tones, one on each side, at 44100 Hz.
std::string stereoSines(double seconds)
{
    return sine(seconds, 44100, "440") + " " + sine(seconds, 44100, "990") +
           " -filter_complex [0:a][1:a]join=inputs=2:channel_layout=stereo";
}

bool finished(CarryingEngine& engine, size_t stops)
{
    return engine.carried(toWire(engine::Event::StopStreaming)).size() >= stops;
}

// Samples from the first non-silent stereo frame on (the engine may mix
// silence before the player starts), at most length of them.
std::vector<int16_t> audible(const std::vector<int16_t>& samples, size_t length)
{
    auto first = std::find_if(samples.begin(), samples.end(), [](int16_t sample) { return sample != 0; });
    first -= (first - samples.begin()) % 2;
    return std::vector<int16_t>(first, first + std::min<ptrdiff_t>(ptrdiff_t(length), samples.end() - first));
}

TEST_F(PlevntEngineTest, FilesPlayThroughTheEngineAndFollowTheirPlaylists)
{
    const std::string stereo = files.file("stereo.wav");
    const std::string mono = files.file("mono.flac");
    const std::string longer = files.file("long.mp3");
    ASSERT_TRUE(ffmpegMake(stereo, stereoSines(1.5), "-c:a pcm_s16le"));
    ASSERT_TRUE(ffmpegMake(mono, sine(1.2, 44100, "300"), "-c:a flac"));
    ASSERT_TRUE(ffmpegMake(longer, sine(8, 48000, "500"), "-ac 2 -c:a libmp3lame -b:a 128k"));
    start();
    for (const char* copy :
         {"ELAMP.ESP.1", "ELAMP.ESP.2", "WAVMP.ESP.1", "WAVMP.ESP.2", "WMAMP.ESP.1", "WMAMP.ESP.2"})
        EXPECT_TRUE(std::filesystem::exists(decoders + "/" + copy)) << copy;
    EXPECT_EQ(plevnt::plugin()->decoderFilters().size(), 4u);
    EXPECT_NE(plevnt::plugin()->decoderFilters()[0].patterns.find("*.M4A;*.M4B"), std::string::npos);

    // A command string opens the file on the first player (without its opening quote it is refused).
    EXPECT_EQ(plevnt::plugin()->execCommandString(1, (stereo + "\"").c_str()), 0);
    EXPECT_EQ(plevnt::plugin()->execCommandString(1, ("\"" + stereo + "\"").c_str()), 1);
    ASSERT_TRUE(eventually([&] { return player(0).currentPath() == stereo; }));
    EXPECT_EQ(onWindowThread([&] { return player(0).playlist.size(); }), 1);
    // The same file handed over again, opened or only listed, is not listed twice in a row.
    for (const int32_t flags : {1, 0}) {
        EXPECT_EQ(plevnt::plugin()->execCommandString(flags, ("\"" + stereo + "\"").c_str()), 1);
        EXPECT_EQ(onWindowThread([&] { return player(0).playlist.size(); }), 1) << flags;
    }
    ASSERT_EQ(engine.carried(toWire(engine::Event::AttachStreams)).size(), 1u);
    EXPECT_EQ(engine.carried(toWire(engine::Event::AttachStreams))[0].target, 1);
    EXPECT_EQ(engine.carried(toWire(engine::Event::AttachStreams))[0].index, 2);

    // Stereo: left on stream 0, right on stream 1, sample for sample.
    ASSERT_EQ(onWindowThread([&] { return player(0).play(); }), 0);
    ASSERT_TRUE(eventually([&] { return finished(engine, 1); }, 20s));
    const std::vector<int16_t> stereoSamples = ffmpegSamples(stereo);
    const std::vector<int16_t> stereoPlayed = audible(stereoSamples, stereoSamples.size());
    EXPECT_EQ(audible(outputSamples(), stereoPlayed.size()), stereoPlayed);
    // The one entry ended: nothing to advance to, so the streams went back.
    ASSERT_TRUE(eventually([&] { return !player(0).attached(); }));
    EXPECT_EQ(player(0).state(), plevnt::kStateStopped);

    // Mono on the second player: stream 2 only, at the pair's left side.
    resetOutput();
    ASSERT_EQ(onWindowThread([&] { return player(1).open(mono, true, true); }), 0);
    EXPECT_TRUE(isStereo(player(1).currentInfo()) == false && player(1).currentInfo().sampleRate == 44100);
    ASSERT_TRUE(eventually([&] { return finished(engine, 2); }, 20s));
    const std::vector<int16_t> monoSamples = ffmpegSamples(mono);
    std::vector<int16_t> expected;
    for (int16_t sample : monoSamples)
        expected.insert(expected.end(), {sample, 0});
    const std::vector<int16_t> monoPlayed = audible(expected, expected.size());
    EXPECT_EQ(audible(outputSamples(), monoPlayed.size()), monoPlayed);

    // From here the output takes blocks at a sound card's pace, as the
    // player's ends and its cross-fade 3 s before one expect.
    coretest::OutputScript paced;
    paced.paceMs = 46;
    rig.output.script(paced);
    // The loop replays; pause gives empty blocks; seeking moves the position; the end advances the playlist.
    ASSERT_EQ(onWindowThread([&] {
                  player(1).playlist.add(longer.c_str());
                  player(1).loop = true;
                  return player(1).playEntry(0);
              }),
              0);
    ASSERT_TRUE(
        eventually([&] { return engine.carried(toWire(engine::Event::StartStreaming)).size() >= 4; }, 20s));
    onWindowThread([&] {
        player(1).loop = false;
        return 0;
    });
    // The entry's information follows its start (the start tells the engine its title first).
    ASSERT_TRUE(eventually([&] { return player(1).currentPath() == longer && player(1).state() == 1; }, 20s));
    EXPECT_EQ(player(1).playlist.currentIndex(), 1);
    EXPECT_TRUE(eventually([&] { return player(1).playlist.entry(1)->info.media[0] != '\0'; }, 5s));
    EXPECT_STREQ(player(1).playlist.entry(1)->info.media, "MPEG 1 Layer 3");
    onWindowThread([&] {
        player(1).pause();
        return 0;
    });
    const int16_t* block = nullptr;
    int32_t bytes = -1;
    EXPECT_EQ(plevnt::plugin()->readStreamChannel(2, &block, &bytes), 1);
    EXPECT_EQ(bytes, 0);
    EXPECT_EQ(player(1).state(), plevnt::kStatePaused);
    EXPECT_EQ(onWindowThread([&] { return player(1).next(true); }), toWire(engine::Error::NotNow));

    // Cross-fade: resumed and moved on to 4 s, the player nears its end; the
    // idle first player takes over 3000 ms before it, and the ending one does
    // not advance its own playlist afterwards.
    EXPECT_EQ(onWindowThread([&] {
                  player(1).playlist.add(mono.c_str());
                  player(0).playlist.add(stereo.c_str());
                  plevnt::plugin()->autoCrossFade = true;
                  player(1).pause();
                  return player(1).seek(4000);
              }),
              0);
    ASSERT_TRUE(eventually([&] { return !engine.carried(toWire(engine::Event::Crossfade)).empty(); }, 20s));
    // The first player's short file may end at once (the probe output is not
    // paced): no more cross-fades, so its end cannot hand back to the second.
    onWindowThread([&] {
        plevnt::plugin()->autoCrossFade = false;
        return 0;
    });
    EXPECT_EQ(player(0).playlist.currentIndex(), 1);
    // Positions come with the progress every 25 blocks: the seek took it past 4 s.
    EXPECT_GE(player(1).positionMs() + plevnt::kCrossFadeLeadMs, 8000u);
    EXPECT_EQ(player(1).currentPath(), longer);
    ASSERT_TRUE(eventually([&] { return player(1).state() == plevnt::kStateStopped; }, 20s));
    // The window thread stops the player while it handles the end: once it
    // answers, the end has been handled.
    onWindowThread([] { return 0; });
    EXPECT_EQ(player(1).playlist.currentIndex(), 1);
    EXPECT_EQ(player(1).currentPath(), longer);
    // Only the next refused while paused.
    EXPECT_EQ(engine.errors(), std::vector<int>{toWire(engine::Error::NotNow)});
}

// A music library's folder, put in a playlist as "Add directory" puts it
// (in name order, what no module plays left out), plays through to its end.
TEST_F(PlevntEngineTest, AMixedFolderPlaysThrough)
{
    const std::pair<std::string, std::string> made[] = {
        {"a.m4a", "AAC"},  {"b.wma", "WMA"},        {"c.wv", "WavPack"},         {"d.m4a", "ALAC"},
        {"e.mka", "Opus"}, {"f.ogg", "Ogg Vorbis"}, {"g.mp3", "MPEG 1 Layer 3"}, {"h.flac", "FLAC"}};
    const char* codecs[] = {"aac", "wmav2", "wavpack", "alac", "libopus", "libvorbis", "libmp3lame", "flac"};
    constexpr double kSeconds = 0.5;
    for (size_t i = 0; i < std::size(made); ++i)
        ASSERT_TRUE(
            ffmpegMake(files.file(made[i].first), stereoSines(kSeconds),
                       std::string("-c:a ") + codecs[i] + " -metadata album='Album " + made[i].first + "'"));
    writeText(files.file("readme.txt"), "no audio");
    start();
    // Taken at a pace, so the silence while the next file opens stays short.
    coretest::OutputScript paced;
    paced.paceMs = 10;
    rig.output.script(paced);
    ASSERT_EQ(onWindowThread([&] {
                  std::vector<std::string> paths;
                  for (const auto& item : std::filesystem::directory_iterator(files.path()))
                      paths.push_back(item.path().string());
                  std::sort(paths.begin(), paths.end());
                  for (const std::string& path : paths)
                      if (player(0).decoders().choose(path, nullptr) != nullptr)
                          player(0).playlist.add(path.c_str());
                  return player(0).playEntry(0);
              }),
              0);
    ASSERT_EQ(player(0).playlist.size(), int(std::size(made)));
    ASSERT_TRUE(eventually(
        [&] {
            return player(0).playlist.currentIndex() == int(std::size(made)) - 1 &&
                   player(0).state() == plevnt::kStateStopped && !player(0).attached();
        },
        30s));
    // The album too, from every module that reads tags (libsndfile gives FLAC's none).
    for (size_t i = 0; i < std::size(made); ++i) {
        const plevnt::StreamInfo& info = player(0).playlist.entry(int(i))->info;
        EXPECT_EQ(info.media, made[i].second);
        EXPECT_EQ(info.album, made[i].second == "FLAC" ? "" : "Album " + made[i].first);
    }
    // Every file played whole: the tones' samples add up to the files' lengths.
    const std::vector<int16_t> played = outputSamples();
    const auto audibleFrames =
        std::count_if(played.begin(), played.end(), [](int16_t sample) { return sample != 0; }) / 2;
    EXPECT_NEAR(double(audibleFrames), std::size(made) * kSeconds * 44100,
                0.02 * std::size(made) * kSeconds * 44100);
    EXPECT_TRUE(engine.errors().empty());
}

// A copy of our wave module whose export table no longer names ESEQ.
void writeWithoutEq(const std::string& from, const std::string& to)
{
    std::ifstream in(from, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string name("\0ESEQ\0", 6);
    const size_t at = bytes.find(name);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 4] = 'X';
    std::ofstream(to, std::ios::binary) << bytes;
}

// Modules each player loads: its own copies, made once and then reused; a
// module without ESEQ is refused, the others load; a module of an unknown
// name loads and brings the message once for each player.
TEST(PlevntDecoderModules, EachPlayerLoadsItsOwnCopies)
{
    Watchdog watchdog{60s, "PlevNT decoder modules"};
    TempFolder folder;
    const std::string out = std::string(VELMORA_OUT_DIR) + "/Plugins/Decoders/";
    std::filesystem::copy_file(out + "ELAMP.ESP", folder.file("elamp.esp"));
    std::filesystem::copy_file(out + "WAVMP.ESP", folder.file("OTHER.esp"));
    writeWithoutEq(out + "WAVMP.ESP", folder.file("NOEQ.esp"));

    struct RecordingPlugin : plevnt::PlevntPlugin {
        void showError(int code, const char*) override { errors.push_back(code); }
        std::vector<int> errors;
    } plugin;
    std::atomic<int> results{0};
    std::thread loading([&] {
        for (int index = 0; index < plevnt::kPlayerCount; ++index)
            results += plugin.player(index).loadDecoders(folder.path()) == 0 ? 1 : 0;
    });
    int messages = 0;
    while (results.load() < 2 && messages < 3) {
        plat::ui::WindowHandle box = nullptr;
        if (!eventually([&] {
                return (box = plat::ui::findWindow(nullptr, zkr::kProductTitle)) != nullptr ||
                       results.load() == 2;
            }))
            break;
        if (box == nullptr)
            break;
        ++messages;
        (void)plat::ui::postMessage(box, plat::ui::kMsgClose, 0, 0);
        eventually([&] { return plat::ui::findWindow(nullptr, zkr::kProductTitle) != box; });
    }
    loading.join();
    EXPECT_EQ(results.load(), 2);
    EXPECT_EQ(messages, 2);
    EXPECT_EQ(plugin.errors, (std::vector<int>{toWire(engine::Error::CorruptExports),
                                               toWire(engine::Error::CorruptExports)}));
    for (int index = 0; index < plevnt::kPlayerCount; ++index) {
        const auto& modules = plugin.player(index).decoders().modules();
        ASSERT_EQ(modules.size(), 2u);
        EXPECT_EQ(modules[0]->fileName(), "OTHER.esp");
        EXPECT_EQ(modules[0]->parser(), plevnt::InfoParser::None);
        EXPECT_EQ(modules[1]->parser(), plevnt::InfoParser::Mpeg);
        EXPECT_EQ(plugin.player(index).decoders().choose("a.Mp3", nullptr), modules[1].get());
    }
    for (const char* copy : {"elamp.esp.1", "elamp.esp.2", "NOEQ.esp.1", "OTHER.esp.2"})
        EXPECT_TRUE(std::filesystem::exists(folder.file(copy))) << copy;
    // A second start reuses the copies as they are.
    const auto made = std::filesystem::last_write_time(folder.file("elamp.esp.1"));
    plevnt::DecoderManager again;
    EXPECT_EQ(again.load(folder.path(), 1), 0);
    EXPECT_EQ(std::filesystem::last_write_time(folder.file("elamp.esp.1")), made);
    // A module rebuilt since is copied again.
    std::filesystem::last_write_time(folder.file("elamp.esp"), made + std::chrono::hours(1));
    EXPECT_EQ(again.load(folder.path(), 1), 0);
    EXPECT_EQ(std::filesystem::last_write_time(folder.file("elamp.esp.1")), made + std::chrono::hours(1));
    TempFolder empty;
    again.silent = true;
    EXPECT_EQ(again.load(empty.path(), 1), toWire(engine::Error::NoDecoderModules));
}

// An installed program's decoder folder is the system's: a user's copies go
// to the user's cache, or, when that cannot be written, to the session's
// private folder.
TEST(PlevntDecoderModules, CopiesOfAnInstalledProgramGoToTheUsersCache)
{
    Watchdog watchdog{60s, "PlevNT decoder copies"};
    TempFolder root;
    const std::string installed = root.file("installed"), cache = root.file("cache"), run = root.file("run");
    for (const std::string& made : {installed, cache, run})
        std::filesystem::create_directories(made);
    std::filesystem::copy_file(std::string(VELMORA_OUT_DIR) + "/Plugins/Decoders/ELAMP.ESP",
                               installed + "/ELAMP.ESP");
    const uid_t user = geteuid() == 0 ? 65534 : geteuid();
    ASSERT_TRUE(chmod(root.path().c_str(), 0755) == 0 && chmod(installed.c_str(), 0555) == 0 &&
                chmod(cache.c_str(), 0777) == 0 && chown(run.c_str(), user, user) == 0 &&
                chmod(run.c_str(), 0700) == 0);
    ScopedEnv cacheHome("XDG_CACHE_HOME", cache), runtime("XDG_RUNTIME_DIR", run);
    const auto loadsAsTheUser = [&] {
        const pid_t child = fork();
        if (child == 0) {
            // As root, the child becomes "nobody", so that the folder's permissions hold.
            const bool unprivileged =
                geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(user) == 0 && setuid(user) == 0);
            plevnt::DecoderManager manager;
            manager.silent = true;
            _exit(unprivileged && manager.load(installed, 1) == 0 && manager.modules().size() == 1 ? 0 : 1);
        }
        int status = -1;
        return child > 0 && waitpid(child, &status, 0) == child && status == 0;
    };
    EXPECT_TRUE(loadsAsTheUser());
    EXPECT_TRUE(std::filesystem::exists(cache + "/velmora/Decoders/ELAMP.ESP.1"));
    EXPECT_FALSE(std::filesystem::exists(installed + "/ELAMP.ESP.1"));

    std::filesystem::remove_all(cache + "/velmora");
    ASSERT_EQ(chmod(cache.c_str(), 0555), 0);
    EXPECT_TRUE(loadsAsTheUser());
    EXPECT_TRUE(std::filesystem::exists(run + "/velmora/Decoders/ELAMP.ESP.1"));
    chmod(installed.c_str(), 0755);
}

} // namespace
} // namespace velmora::test
