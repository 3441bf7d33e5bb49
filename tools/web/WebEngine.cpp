// The page's engine: what the worker (web/engine-worker.js) calls. A run is
// vantrel-update's very run, given the same options as its command line; its
// JSON lines go to the standard output, which the worker hands to the page.
#include <emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ExitCode.h"
#include "HeadlessOptions.h"
#include "HeadlessUpdater.h"
#include "MidiBackends.h"
#include "MidiSystem.h"
#include "ProductCatalogue.h"
#include "SampleImage.h"
#include "SimulatedMidiBackend.h"

namespace {

using Json = nlohmann::json;

//! A text the caller frees, as WebMidi.js and the worker expect.
char* Handed(const std::string& text)
{
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy != nullptr)
        std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

}  // namespace

//! One run: `arguments` is a JSON array of the command line's words. Returns the exit code.
extern "C" EMSCRIPTEN_KEEPALIVE int vantrel_run(const char* arguments)
{
    const Json words = Json::parse(arguments, nullptr, false);
    if (!words.is_array())
        return kExitUsage;
    std::vector<std::string> args;
    for (const Json& word : words) {
        if (!word.is_string())
            return kExitUsage;
        args.push_back(word.get<std::string>());
    }
    HeadlessOptions options;
    const CommandLine::Outcome parsed = ParseHeadlessOptions(args, options);
    if (parsed.kind != CommandLine::Outcome::Kind::Run)
        return CommandLine::Report(parsed, "vantrel-update", kExitUsage);
    try {
        HeadlessUpdater updater(std::move(options), stdout, stderr);
        return updater.Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vantrel-update: %s\n", e.what());
    }
    return kExitInternal;
}

//! {"products": [...], "outputs": [...], "inputs": [...]}: what the window's
//! lists offer, the simulated instrument last in both.
extern "C" EMSCRIPTEN_KEEPALIVE char* vantrel_choices()
{
    platform::MidiSystem& system = platform::MidiSystem::instance();
    platform::RegisterSystemMidiBackends(system);
    Json outputs = system.outputNames();
    Json inputs = system.inputNames();
    system.clearBackends();
    outputs.push_back(platform::SimulatedMidiBackend::kDeviceName);
    inputs.push_back(platform::SimulatedMidiBackend::kDeviceName);
    const ProductCatalogue catalogue(ProductCatalogue::ConfigDirectory());
    const Json choices{{"products", catalogue.Names()}, {"outputs", outputs}, {"inputs", inputs}};
    return Handed(choices.dump());
}

//! Writes the sample firmware image to `path`; false when it cannot.
extern "C" EMSCRIPTEN_KEEPALIVE bool vantrel_write_sample_image(const char* path)
{
    const std::vector<std::uint8_t> image = MakeSampleImage();
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
    return std::fclose(file) == 0 && written;
}
