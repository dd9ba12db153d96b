// brisdale: renders sound files through the Brisdale plug-in, as a host would.
//
//   brisdale render INPUT OUTPUT [options]
//   brisdale demo [OUTDIR]
//
// Errors are one line on stderr, prefixed "brisdale: ", with a nonzero exit status:
// 2 for a command line that cannot be understood, 1 for everything else.

#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "renderer/demo.h"
#include "renderer/options.h"
#include "renderer/render.h"

namespace {

const char kUsage[] =
    "usage: brisdale render INPUT OUTPUT [options]\n"
    "       brisdale demo [OUTDIR]            (default OUTDIR: demo-out)\n"
    "render options:\n"
    "  --fps N | N/D        video frame rate (default 30000/1001)\n"
    "  --offset-ms N        sound offset slider, ms; positive delays the sound\n"
    "  --front N            front slider: ramp-in frame = selection start + N - 1\n"
    "  --back N             back slider: ramp-out frame = selection end - N + 1\n"
    "  --select FIRST:LAST  the selection, frames inclusive (default: the whole edit)\n"
    "  --no-selection       the host reports no selection\n"
    "  --press start@F      press a button while the host stands on frame F;\n"
    "  --press end@F        repeatable, carried out in the order given\n"
    "  --unsaved F,G,...    frames the host reports as not saved\n"
    "  --plot FILE.png      draw the waveform before and after\n"
    "  --quiet              no progress on the terminal\n"
    "OUTPUT's extension picks the format: wav, flac, aiff, aif, au, snd, caf, w64.\n";

int Fail(int status, const std::string& message) {
  std::fprintf(stderr, "brisdale: %s\n", message.c_str());
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // The plug-in takes and releases its gather buffer (about 128 KiB) on every frame
  // with an offset. glibc would hand that memory back to the system after each
  // release and fault it in again on the next frame; a host process keeps it.
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  mallopt(M_MMAP_THRESHOLD, 16 << 20);
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  std::string error;
  if (args[0] == "render") {
    RenderOptions options;
    if (!ParseRenderOptions(std::vector<std::string>(args.begin() + 1, args.end()), options, error)) {
      return Fail(2, error + " (brisdale --help for usage)");
    }
    RenderSummary summary;
    if (!RunRender(options, summary, error)) return Fail(1, error);
    return 0;
  }
  if (args[0] == "demo") {
    if (args.size() > 2) return Fail(2, "demo takes at most one argument, the output directory");
    if (!RunDemo(args.size() == 2 ? args[1] : "demo-out", error)) return Fail(1, error);
    return 0;
  }
  return Fail(2, "unknown command '" + args[0] + "' (brisdale --help for usage)");
}
