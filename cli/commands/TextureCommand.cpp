// ostrel texture: textures (".paa"/".pac") to PNG images and PNG images to
// textures, through the texture codec beside the library.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "TextureCodec.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/Outputs.h"
#include "frame/Text.h"
#include "texture/Parallel.h"

namespace cli
{
namespace
{
struct TextureOptions
{
    CLI::App* toPng = nullptr;
    CLI::App* fromPng = nullptr;
    std::vector<std::string> inputs;
    std::string output;
    unsigned mip = 0;
    bool allMips = false;
    std::string type;
    bool lzo = false;
    std::string quality = "normal";
    unsigned threads = 0; // 0: one per processor
};

int Failed(const std::string& name, int code)
{
    return Fail(name + ": " + texture::ErrorText(code));
}

// One output file, encoded in memory and written under a temporary name.
int Save(const std::string& name, const std::vector<unsigned char>& bytes)
{
    std::string error;
    return WriteWholeFile(name, bytes.data(), bytes.size(), error) ? static_cast<int>(Success) : Fail(error);
}

int SavePng(const texture::Image& image, const std::string& name)
{
    std::vector<unsigned char> bytes;
    const int code = texture::WritePng(image, bytes);
    return code == texture::Ok ? Save(name, bytes) : Failed(name, code);
}

int ToPng(const TextureOptions& options, const std::string& input)
{
    texture::Texture decoded;
    int code = texture::DecodeTextureFile(input.c_str(), decoded);
    if (code != texture::Ok)
        return Failed(input, code);
    const std::string base = options.output.empty() ? text::WithoutExtension(input) + ".png" : options.output;
    if (!options.allMips)
    {
        if (options.mip >= decoded.mipmaps.size())
            return Fail(input + ": " + texture::ErrorText(texture::NoSuchMip) + " (it has " +
                        std::to_string(decoded.mipmaps.size()) + ")");
        return SavePng(decoded.mipmaps[options.mip], base);
    }
    // Every mipmap: NAME.mip0.png (the largest), NAME.mip1.png, ...
    for (size_t i = 0; i < decoded.mipmaps.size(); ++i)
    {
        if (interrupt::Requested())
            return Interrupted;
        const int saved =
            SavePng(decoded.mipmaps[i], text::WithoutExtension(base) + ".mip" + std::to_string(i) + ".png");
        if (saved != Success)
            return saved;
    }
    return Success;
}

// One PNG file to a texture; an empty answer when it went well, else the
// message. Runs beside the conversions of the other inputs.
std::string FromPng(const TextureOptions& options, const std::string& input, unsigned threads)
{
    texture::Image image;
    int code = texture::ReadPngFile(input.c_str(), image);
    if (code != texture::Ok)
        return input + ": " + texture::ErrorText(code);
    texture::EncodeOptions encode;
    encode.lzo = options.lzo;
    encode.threads = threads;
    texture::ParseQuality(options.quality.c_str(), encode.quality); // checked by the option
    if (!options.type.empty())
    {
        encode.automatic = false;
        texture::ParseType(options.type.c_str(), encode.type); // checked by the option
    }
    const std::string output = options.output.empty() ? text::WithoutExtension(input) + ".paa" : options.output;
    std::vector<unsigned char> bytes;
    code = texture::EncodeTexture(image, encode, bytes);
    if (code == texture::BadImageSize)
        return input + ": " + std::to_string(image.width) + " x " + std::to_string(image.height) + ": " +
               texture::ErrorText(code);
    if (code != texture::Ok)
        return output + ": " + texture::ErrorText(code);
    std::string error;
    return WriteWholeFile(output, bytes.data(), bytes.size(), error) ? std::string() : error;
}

// Every input converted, as many at once as there are threads (each file's
// blocks shared among the threads left to it); the messages come out in the
// order of the inputs.
int FromPngAll(const TextureOptions& options)
{
    const std::vector<std::string>& inputs = options.inputs;
    const unsigned threads = texture::ThreadCount(options.threads);
    const unsigned files = static_cast<unsigned>(std::min<size_t>(threads, inputs.size()));
    const unsigned perFile = std::max(1u, threads / std::max(1u, files));
    std::vector<std::string> errors(inputs.size());
    std::vector<char> done(inputs.size(), 0);
    texture::ForEachJob(inputs.size(), files, [&](size_t i) {
        if (interrupt::Requested())
            return;
        errors[i] = FromPng(options, inputs[i], perFile);
        done[i] = 1;
    });
    int status = Success;
    for (size_t i = 0; i < inputs.size(); ++i)
    {
        if (done[i] && errors[i].empty())
            continue;
        if (done[i])
            Fail(errors[i]);
        status = Failure;
    }
    return interrupt::Requested() ? static_cast<int>(Interrupted) : status;
}
} // namespace

Action DefineTexture(CLI::App& command)
{
    auto options = std::make_shared<TextureOptions>();
    command.require_subcommand(1, 1);

    options->toPng = command.add_subcommand("topng", "Textures (.paa, .pac) to PNG images, each beside itself");
    options->toPng->add_option("IN", options->inputs, "Texture files")->required();
    options->toPng->add_option("-o,--output", options->output, "Output PNG (only with one input)");
    CLI::Option* mip = options->toPng->add_option("--mip", options->mip, "Mipmap to write, 0 the largest (default 0)");
    options->toPng->add_flag("--all-mips", options->allMips, "Write every mipmap as NAME.mipN.png")->excludes(mip);

    options->fromPng = command.add_subcommand("frompng", "PNG images to textures, each beside itself");
    options->fromPng->add_option("IN", options->inputs, "PNG files")->required();
    options->fromPng->add_option("-o,--output", options->output, "Output texture (only with one input)");
    options->fromPng
        ->add_option("--type", options->type,
                     "dxt1, dxt5, 4444, 1555 or 8080 (default: dxt1 for opaque images, dxt5 with alpha)")
        ->check(CLI::IsMember({"dxt1", "dxt5", "4444", "1555", "8080"}, CLI::ignore_case));
    options->fromPng->add_flag("--lzo", options->lzo, "LZO1X-pack DXT mipmaps (newer games only)");
    options->fromPng
        ->add_option("--quality", options->quality,
                     "DXT fit: fast (previews), normal (default) or best (slowest, closest)")
        ->check(CLI::IsMember({"fast", "normal", "best"}, CLI::ignore_case));
    options->fromPng
        ->add_option("-j,--jobs", options->threads,
                     "Threads, shared by the files and their blocks (default: one per processor)")
        ->check(CLI::Range(1u, 256u));

    return [options]() {
        if (!options->output.empty() && options->inputs.size() != 1)
        {
            Fail("-o takes one input only");
            return static_cast<int>(UsageError);
        }
        if (options->fromPng->parsed())
            return FromPngAll(*options);
        int status = Success;
        for (const std::string& input : options->inputs)
        {
            if (interrupt::Requested())
                return static_cast<int>(Interrupted);
            if (ToPng(*options, input) != Success)
                status = Failure;
        }
        return status;
    };
}
} // namespace cli
