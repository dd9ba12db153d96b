#include "renderer/plot.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "renderer/pending_file.h"

// ---- Envelope -------------------------------------------------------------------------

Envelope::Envelope(int32_t columns, int64_t length, int32_t channels)
    : columns_(columns),
      length_(std::max<int64_t>(length, 1)),
      channels_(channels),
      min_(static_cast<size_t>(columns) * channels, INT16_MAX),
      max_(static_cast<size_t>(columns) * channels, INT16_MIN),
      touched_(static_cast<size_t>(columns), 0) {}

void Envelope::Add(const int16_t* interleaved, int64_t frames) {
  for (int64_t i = 0; i < frames && position_ < length_; ++i, ++position_) {
    const int32_t column = static_cast<int32_t>(position_ * columns_ / length_);
    touched_[column] = 1;
    for (int32_t channel = 0; channel < channels_; ++channel) {
      const int16_t value = interleaved[i * channels_ + channel];
      const size_t at = Index(channel, column);
      min_[at] = std::min(min_[at], value);
      max_[at] = std::max(max_[at], value);
    }
  }
}

// ---- Drawing ----------------------------------------------------------------------------

namespace {

struct Color {
  double r, g, b;
};
constexpr Color kInk = {0.13, 0.13, 0.15};
constexpr Color kFaint = {0.45, 0.45, 0.5};
constexpr Color kLane = {0.965, 0.965, 0.97};
constexpr Color kBefore = {0.23, 0.43, 0.65};
constexpr Color kAfter = {0.13, 0.52, 0.33};
constexpr Color kSilent = {0.93, 0.80, 0.80};
constexpr Color kRamp = {0.98, 0.70, 0.25};
constexpr Color kSelection = {0.20, 0.40, 0.90};

void SetColor(cairo_t* cr, Color c, double alpha = 1.0) {
  cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void Text(cairo_t* cr, double x, double y, const std::string& text, double size, bool bold,
          Color color, double align = 0.0) {
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  SetColor(cr, color);
  cairo_move_to(cr, x - align * extents.x_advance, y);
  cairo_show_text(cr, text.c_str());
}

double TextWidth(cairo_t* cr, const std::string& text, double size) {
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  return extents.x_advance;
}

// Layout, in pixels.
constexpr double kLeft = 150;   // room for the lane labels
constexpr double kRight = 30;
constexpr double kTop = 112;    // title, settings line, legend
constexpr double kLaneHeight = 120;
constexpr double kLaneGap = 6;      // between before and after of one channel
constexpr double kChannelGap = 26;  // between channels
constexpr double kAxis = 58;

struct Geometry {
  const PlotFrames& frames;
  double width;  // of the waveform area
  double X(int64_t sample) const {
    const int64_t length = std::max<int64_t>(frames.frameStarts.back(), 1);
    return kLeft + width * static_cast<double>(sample) / static_cast<double>(length);
  }
  double FrameX(int32_t frame) const { return X(frames.frameStarts[frame]); }
  double FrameEndX(int32_t frame) const { return X(frames.frameStarts[frame + 1]); }
};

// A frame step for the axis labels that keeps them at least minSpacing pixels apart.
int32_t LabelStep(const Geometry& geometry, double minSpacing) {
  const double perFrame = geometry.width / std::max(geometry.frames.frameCount, 1);
  for (int32_t magnitude = 1;; magnitude *= 10) {
    for (int32_t factor : {1, 2, 5}) {
      const int32_t step = factor * magnitude;
      if (step * perFrame >= minSpacing || step >= geometry.frames.frameCount) return step;
    }
  }
}

void DrawMarks(cairo_t* cr, const Geometry& g, const EdgeMarks& marks, double top, double height) {
  for (const EdgeMarks::Range& range : marks.silent) {
    SetColor(cr, kSilent);
    cairo_rectangle(cr, g.FrameX(range.first), top, g.FrameEndX(range.last) - g.FrameX(range.first),
                    height);
    cairo_fill(cr);
  }
  for (int32_t ramp : {marks.rampIn, marks.rampOut}) {
    if (ramp < 0) continue;
    SetColor(cr, kRamp, 0.8);
    // At least 3 pixels, so a one-frame ramp stays visible on a long edit.
    const double x = g.FrameX(ramp);
    const double w = std::max(g.FrameEndX(ramp) - x, 3.0);
    cairo_rectangle(cr, x, top, w, height);
    cairo_fill(cr);
  }
}

void DrawWave(cairo_t* cr, const Envelope& envelope, int32_t channel, double top, double height,
              double left, Color color) {
  const double middle = top + height / 2;
  const double scale = (height / 2 - 3) / 32768.0;
  SetColor(cr, kFaint, 0.5);
  cairo_set_line_width(cr, 1);
  cairo_move_to(cr, left, middle + 0.5);
  cairo_line_to(cr, left + envelope.columns(), middle + 0.5);
  cairo_stroke(cr);
  SetColor(cr, color);
  for (int32_t column = 0; column < envelope.columns(); ++column) {
    if (!envelope.Touched(column)) continue;
    const double high = middle - envelope.Max(channel, column) * scale;
    const double low = middle - envelope.Min(channel, column) * scale;
    // Never thinner than a pixel, so silence shows as a line on the zero axis.
    cairo_rectangle(cr, left + column, std::min(high, middle - 0.5), 1,
                    std::max(low - high, 1.0));
  }
  cairo_fill(cr);
}

void DrawLegendItem(cairo_t* cr, double& x, double y, Color color, double alpha,
                    const std::string& label, bool outline = false) {
  if (outline) {
    SetColor(cr, color);
    cairo_set_line_width(cr, 2);
    cairo_rectangle(cr, x + 1, y - 11, 16, 12);
    cairo_stroke(cr);
  } else {
    SetColor(cr, color, alpha);
    cairo_rectangle(cr, x, y - 12, 18, 14);
    cairo_fill(cr);
  }
  Text(cr, x + 24, y, label, 13, false, kInk);
  x += 24 + TextWidth(cr, label, 13) + 28;
}

std::string FrameRange(int32_t first, int32_t last) {
  return first == last ? std::to_string(first)
                       : std::to_string(first) + "\xe2\x80\x93" + std::to_string(last);
}

cairo_status_t WriteToDescriptor(void* closure, const unsigned char* data, unsigned int length) {
  const int descriptor = *static_cast<int*>(closure);
  while (length > 0) {
    const ssize_t written = write(descriptor, data, length);
    if (written <= 0) return CAIRO_STATUS_WRITE_ERROR;
    data += written;
    length -= static_cast<unsigned int>(written);
  }
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

bool WritePlot(const std::string& path, const PlotText& text, const PlotFrames& frames,
               const EdgeMarks& marks, const Envelope& before, const Envelope& after,
               PendingFile& file, std::string& error) {
  const int32_t channels = before.channels();
  const Geometry g{frames, static_cast<double>(before.columns())};
  const double lanesHeight =
      channels * (2 * kLaneHeight + kLaneGap) + (channels - 1) * kChannelGap;
  const int width = static_cast<int>(kLeft + g.width + kRight);
  const int height = static_cast<int>(kTop + lanesHeight + kAxis);

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);

  // ---- Heading and legend.
  Text(cr, 20, 30, text.title, 20, true, kInk);
  Text(cr, 20, 56, text.settings, 14, false, kInk);
  double legendX = 20;
  const double legendY = 88;
  DrawLegendItem(cr, legendX, legendY, kBefore, 1, "before");
  DrawLegendItem(cr, legendX, legendY, kAfter, 1, "after");
  if (marks.hasSelection) {
    DrawLegendItem(cr, legendX, legendY, kSelection, 1,
                   "selection " + FrameRange(marks.selectionStart, marks.selectionEnd), true);
    std::string silent;
    for (const EdgeMarks::Range& range : marks.silent) {
      silent += (silent.empty() ? "" : ", ") + FrameRange(range.first, range.last);
    }
    DrawLegendItem(cr, legendX, legendY, kSilent, 1,
                   "silenced " + (silent.empty() ? std::string("none") : silent));
    std::string ramps;
    if (marks.rampIn >= 0) ramps += "ramp-in " + std::to_string(marks.rampIn);
    if (marks.rampOut >= 0) ramps += (ramps.empty() ? "" : ", ") + ("ramp-out " + std::to_string(marks.rampOut));
    DrawLegendItem(cr, legendX, legendY, kRamp, 0.8, ramps.empty() ? "no ramp frame" : ramps);
  } else {
    Text(cr, legendX, legendY, "no selection: no frame silenced or ramped", 13, false, kFaint);
  }

  // ---- Lanes: before and after of each channel.
  const char* const channelNames[2] = {channels == 1 ? "mono" : "left", "right"};
  double top = kTop;
  for (int32_t channel = 0; channel < channels; ++channel) {
    for (int lane = 0; lane < 2; ++lane) {
      const bool isAfter = lane == 1;
      SetColor(cr, kLane);
      cairo_rectangle(cr, kLeft, top, g.width, kLaneHeight);
      cairo_fill(cr);
      if (isAfter) DrawMarks(cr, g, marks, top, kLaneHeight);
      DrawWave(cr, isAfter ? after : before, channel, top, kLaneHeight, kLeft,
               isAfter ? kAfter : kBefore);
      Text(cr, kLeft - 12, top + kLaneHeight / 2 - 2, channelNames[channel], 14, true, kInk, 1.0);
      Text(cr, kLeft - 12, top + kLaneHeight / 2 + 16, isAfter ? "after" : "before", 13, false,
           isAfter ? kAfter : kBefore, 1.0);
      top += kLaneHeight + (lane == 0 ? kLaneGap : kChannelGap);
    }
  }
  const double lanesBottom = kTop + lanesHeight;

  // ---- Selection: its first frame's start and its last frame's end, across all lanes.
  if (marks.hasSelection) {
    const int32_t first = std::max(marks.selectionStart, 0);
    const int32_t last = std::min(marks.selectionEnd, frames.frameCount - 1);
    if (first <= last) {
      const double x0 = g.FrameX(first);
      const double x1 = g.FrameEndX(last);
      SetColor(cr, kSelection);
      cairo_set_line_width(cr, 1.5);
      const double dashes[] = {5, 4};
      cairo_set_dash(cr, dashes, 2, 0);
      for (double x : {x0, x1}) {
        cairo_move_to(cr, x, kTop - 6);
        cairo_line_to(cr, x, lanesBottom);
      }
      cairo_stroke(cr);
      cairo_set_dash(cr, nullptr, 0, 0);
      cairo_set_line_width(cr, 4);
      cairo_move_to(cr, x0, kTop - 4);
      cairo_line_to(cr, x1, kTop - 4);
      cairo_stroke(cr);
    }
  }

  // ---- Frame axis.
  const double axisY = lanesBottom + 8;
  SetColor(cr, kInk);
  cairo_set_line_width(cr, 1);
  cairo_move_to(cr, kLeft, axisY + 0.5);
  cairo_line_to(cr, kLeft + g.width, axisY + 0.5);
  cairo_stroke(cr);
  const bool everyFrame = g.width / std::max(frames.frameCount, 1) >= 4;
  const int32_t step = LabelStep(g, 48);
  for (int32_t frame = 0; frame <= frames.frameCount; ++frame) {
    const bool labelled = frame % step == 0;
    if (!labelled && !everyFrame) continue;
    const double x = std::floor(g.X(frames.frameStarts[frame])) + 0.5;
    SetColor(cr, labelled ? kInk : kFaint);
    cairo_move_to(cr, x, axisY);
    cairo_line_to(cr, x, axisY + (labelled ? 8 : 4));
    cairo_stroke(cr);
    if (labelled) Text(cr, x, axisY + 22, std::to_string(frame), 12, false, kInk, 0.5);
  }
  Text(cr, kLeft - 12, axisY + 22, "frame", 12, true, kInk, 1.0);

  cairo_destroy(cr);
  cairo_surface_flush(surface);
  bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  if (!ok) error = path + ": cannot draw the picture";
  if (ok) {
    int descriptor = file.Create(path, error);
    ok = descriptor >= 0;
    if (ok) {
      ok = cairo_surface_write_to_png_stream(surface, WriteToDescriptor, &descriptor) ==
           CAIRO_STATUS_SUCCESS;
      ok = (close(descriptor) == 0) && ok;
      if (!ok) error = path + ": cannot write the picture";
    }
  }
  cairo_surface_destroy(surface);
  // Cairo and fontconfig keep font caches for the life of the process; let them go
  // now, so that a leak checker sees only the program's own memory.
  cairo_debug_reset_static_data();
  FcFini();
  return ok;
}
