#include "renderer/options.h"

#include <cerrno>
#include <cstdlib>

bool ParseInt32(const std::string& text, int32_t& value) {
  if (text.empty()) return false;
  size_t digitsFrom = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (digitsFrom == text.size()) return false;
  for (size_t i = digitsFrom; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  value = static_cast<int32_t>(parsed);
  return true;
}

namespace {

// Frame rates the host's frame arithmetic and the plug-in's per-frame buffers stay
// sensible for: from 1 to 1000 frames per second.
constexpr int32_t kMaxRatePart = 1000000;

bool ParsePositive(const std::string& text, int32_t& value) {
  return !text.empty() && text[0] != '+' && text[0] != '-' && ParseInt32(text, value) &&
         value > 0 && value <= kMaxRatePart;
}

bool ParseSelection(const std::string& text, int32_t& first, int32_t& last) {
  const size_t colon = text.find(':');
  return colon != std::string::npos && ParseInt32(text.substr(0, colon), first) &&
         ParseInt32(text.substr(colon + 1), last);
}

bool ParsePress(const std::string& text, Press& press) {
  const size_t at = text.find('@');
  if (at == std::string::npos) return false;
  const std::string which = text.substr(0, at);
  if (which == "start") {
    press.button = Button::Start;
  } else if (which == "end") {
    press.button = Button::End;
  } else {
    return false;
  }
  return ParseInt32(text.substr(at + 1), press.frame);
}

bool ParseFrameList(const std::string& text, std::vector<int32_t>& frames) {
  size_t from = 0;
  while (true) {
    const size_t comma = text.find(',', from);
    int32_t frame = 0;
    if (!ParseInt32(text.substr(from, comma - from), frame)) return false;
    frames.push_back(frame);
    if (comma == std::string::npos) return true;
    from = comma + 1;
  }
}

}  // namespace

bool ParseFrameRate(const std::string& text, int32_t& rate, int32_t& scale) {
  const size_t slash = text.find('/');
  int32_t parsedRate = 0;
  int32_t parsedScale = 1;
  if (!ParsePositive(text.substr(0, slash), parsedRate)) return false;
  if (slash != std::string::npos && !ParsePositive(text.substr(slash + 1), parsedScale)) {
    return false;
  }
  // 1 to 1000 frames per second.
  if (parsedRate < parsedScale || static_cast<int64_t>(parsedRate) > 1000LL * parsedScale) {
    return false;
  }
  rate = parsedRate;
  scale = parsedScale;
  return true;
}

bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions& options,
                        std::string& error) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // Options that take a value: the next argument.
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    auto slider = [&](std::optional<int32_t>& slot) {
      std::string text;
      if (!value(text)) return false;
      int32_t parsed = 0;
      if (!ParseInt32(text, parsed)) {
        error = arg + ": '" + text + "' is not a whole number";
        return false;
      }
      slot = parsed;
      return true;
    };
    std::string text;
    if (arg == "--fps") {
      if (!value(text)) return false;
      if (!ParseFrameRate(text, options.videoRate, options.videoScale)) {
        error = "--fps: '" + text + "' is not a frame rate (N or N/D, 1 to 1000 frames per second)";
        return false;
      }
    } else if (arg == "--offset-ms") {
      if (!slider(options.offsetMs)) return false;
    } else if (arg == "--front") {
      if (!slider(options.frontFrames)) return false;
    } else if (arg == "--back") {
      if (!slider(options.backFrames)) return false;
    } else if (arg == "--select") {
      if (!value(text)) return false;
      int32_t first = 0;
      int32_t last = 0;
      if (!ParseSelection(text, first, last)) {
        error = "--select: '" + text + "' is not FIRST:LAST (frame numbers)";
        return false;
      }
      options.selectionFirst = first;
      options.selectionLast = last;
    } else if (arg == "--no-selection") {
      options.noSelection = true;
    } else if (arg == "--press") {
      if (!value(text)) return false;
      Press press{};
      if (!ParsePress(text, press)) {
        error = "--press: '" + text + "' is not start@FRAME or end@FRAME";
        return false;
      }
      options.presses.push_back(press);
    } else if (arg == "--unsaved") {
      if (!value(text)) return false;
      if (!ParseFrameList(text, options.unsavedFrames)) {
        error = "--unsaved: '" + text + "' is not a list of frame numbers (F,G,...)";
        return false;
      }
    } else if (arg == "--plot") {
      if (!value(options.plotPath)) return false;
      if (options.plotPath.empty()) {
        error = "--plot needs a file name";
        return false;
      }
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (options.noSelection && options.selectionFirst) {
    error = "--select and --no-selection exclude each other";
    return false;
  }
  if (positional.size() != 2) {
    error = "render needs INPUT and OUTPUT (got " + std::to_string(positional.size()) + " file names)";
    return false;
  }
  options.input = positional[0];
  options.output = positional[1];
  return true;
}
