#include "Cli.h"
#include "Commands.h"
#include "mdlBase64.h"

#include <iostream>
#include <memory>

namespace veilcraft::cli {

int runBase64(CommandContext& context)
{
    const CommandLine line(context.arguments, {}, {});
    if (line.positional().size() != 1 || (line.positional()[0] != "encode" && line.positional()[0] != "decode"))
        throw UsageError("expected encode or decode");
    const bool encode = line.positional()[0] == "encode";

    constexpr std::size_t kChunk = 1 << 16;
    const auto buffer = std::make_unique<char[]>(kChunk);
    Base64Encoder encoder;
    Base64Decoder decoder;
    std::string output;
    while (context.in && context.out) {
        context.in.read(buffer.get(), kChunk);
        const std::string_view chunk(buffer.get(), static_cast<std::size_t>(context.in.gcount()));
        if (chunk.empty())
            break;
        output.clear();
        if (encode)
            encoder.update(chunk, output);
        else
            decoder.update(chunk, output);  // throws on an invalid character
        context.out.write(output.data(), static_cast<std::streamsize>(output.size()));
    }
    output.clear();
    if (encode)
        encoder.finish(output);
    else if (const std::size_t ignored = decoder.finish(output); ignored > 0)
        context.err << "veilcraft base64: the last " << ignored
                    << " character(s) do not make a whole group and were ignored\n";
    context.out.write(output.data(), static_cast<std::streamsize>(output.size()));
    return outputWritten(context, "base64") ? kExitSuccess : kExitFailure;
}

}  // namespace veilcraft::cli
