#include "refhost/reference_host.h"

#include <algorithm>
#include <cstring>

#include "host/tracks.h"

// ---- The edit ---------------------------------------------------------------------

int64_t EditLength(const Edit& edit) {
  if (edit.generate) return edit.generatedLength;
  return edit.channels > 0 ? static_cast<int64_t>(edit.samples.size()) / edit.channels : 0;
}

int64_t FrameStart(const Edit& edit, int64_t frame) {
  return frame * edit.audioRate * edit.videoScale / edit.videoRate;
}

int32_t FrameCount(const Edit& edit) {
  // The smallest k with FrameStart(k) >= length: ceil(length * videoRate / (audioRate * videoScale)).
  const int64_t perSecond = static_cast<int64_t>(edit.audioRate) * edit.videoScale;
  const int64_t scaled = EditLength(edit) * edit.videoRate;
  return static_cast<int32_t>((scaled + perSecond - 1) / perSecond);
}

int32_t FrameLength(const Edit& edit, int32_t frame) {
  if (frame < 0 || frame >= FrameCount(edit)) return 0;
  const int64_t end = std::min(FrameStart(edit, frame + 1), EditLength(edit));
  return static_cast<int32_t>(end - FrameStart(edit, frame));
}

std::vector<int16_t> FrameSound(const Edit& edit, int32_t frame) {
  const size_t length = static_cast<size_t>(FrameLength(edit, frame)) * edit.channels;
  if (length == 0) return {};
  std::vector<int16_t> sound(length);
  WriteFrameSound(edit, frame, sound.data());
  return sound;
}

void WriteFrameSound(const Edit& edit, int32_t frame, int16_t* out) {
  const int32_t length = FrameLength(edit, frame);
  if (length <= 0) return;
  if (edit.generate) {
    edit.generate(FrameStart(edit, frame), length, out);
    return;
  }
  std::memcpy(out, edit.samples.data() + FrameStart(edit, frame) * edit.channels,
              static_cast<size_t>(length) * edit.channels * sizeof(int16_t));
}

const char* HostServiceName(HostService service) {
  switch (service) {
    case HostService::ReadFrameAudio: return "ReadFrameAudio";
    case HostService::IsFrameSaved: return "IsFrameSaved";
    case HostService::RefreshFilterWindow: return "RefreshFilterWindow";
    case HostService::GetFileInfo: return "GetFileInfo";
    case HostService::IsFilterActive: return "IsFilterActive";
    case HostService::GetSelection: return "GetSelection";
    case HostService::SetSelection: return "SetSelection";
  }
  return "?";
}

// ---- Guarded memory -----------------------------------------------------------------
// Every record and buffer handed to the plug-in lies between two guard zones filled
// with a known pattern. A changed guard byte means the plug-in wrote outside it.

namespace {

constexpr size_t kGuardBytes = 64;
constexpr unsigned char kGuardByte = 0xA5;

template <typename T>
struct GuardedRecord {
  unsigned char front[kGuardBytes];
  T value;
  unsigned char back[kGuardBytes];

  GuardedRecord() {
    std::memset(front, kGuardByte, sizeof front);
    std::memset(back, kGuardByte, sizeof back);
  }
  bool Intact() const {
    for (size_t i = 0; i < kGuardBytes; ++i) {
      if (front[i] != kGuardByte || back[i] != kGuardByte) return false;
    }
    return true;
  }
};

// A sound buffer of `values` 16-bit values between guard zones.
class GuardedSamples {
 public:
  explicit GuardedSamples(size_t values)
      : values_(values), storage_(2 * kGuardValues + values, kGuardValue) {}
  int16_t* data() { return storage_.data() + kGuardValues; }
  bool Intact() const {
    for (size_t i = 0; i < kGuardValues; ++i) {
      if (storage_[i] != kGuardValue || storage_[kGuardValues + values_ + i] != kGuardValue) {
        return false;
      }
    }
    return true;
  }

 private:
  static constexpr size_t kGuardValues = kGuardBytes / 2;
  static constexpr int16_t kGuardValue = static_cast<int16_t>(0xA5A5);
  size_t values_;
  std::vector<int16_t> storage_;
};

std::vector<ReferenceHost*>& LiveHosts() {
  static std::vector<ReferenceHost*> hosts;
  return hosts;
}

}  // namespace

struct ReferenceHost::Guarded {
  GuardedRecord<FilterTable> liveFilter;
  GuardedRecord<int32_t[TRACK_COUNT]> trackValues;
  GuardedRecord<HostFunctions> hostFunctions;
  GuardedRecord<ProcInfo> procInfo;
  FilterTable liveFilterAsBuilt;  // to prove the plug-in never writes the live record
};

// ---- The services -------------------------------------------------------------------
// The plug-in reaches its host through an opaque edit handle or the live filter
// record; both lead back to the ReferenceHost. A handle that no live host handed out
// is recorded as such and answered with 0.

namespace {

ReferenceHost* HostOfHandle(void* editHandle) {
  for (ReferenceHost* host : LiveHosts()) {
    if (host->editHandle() == editHandle) return host;
  }
  return nullptr;
}

ReferenceHost* HostOfFilter(FilterTable* filter) {
  for (ReferenceHost* host : LiveHosts()) {
    if (host->liveFilter() == filter) return host;
  }
  return nullptr;
}

// The record of a call as it starts; a test's mid-call hook runs first.
HostCall BeginCall(ReferenceHost* host, HostService service) {
  if (host != nullptr && host->onServiceCall) host->onServiceCall(service);
  return HostCall{service, host != nullptr};
}

void Record(ReferenceHost* host, const HostCall& call) {
  if (host != nullptr && host->recordCalls) host->calls.push_back(call);
}

int32_t HOST_CALL ServeReadFrameAudio(void* editHandle, int32_t frame, int16_t* buffer) {
  ReferenceHost* host = HostOfHandle(editHandle);
  HostCall call = BeginCall(host, HostService::ReadFrameAudio);
  call.frame = frame;
  if (host != nullptr && buffer != nullptr) {
    const Edit& edit = host->edit;
    const int32_t natural = FrameLength(edit, frame);
    WriteFrameSound(edit, frame, buffer);
    call.answer = host->readLengthAnswer ? host->readLengthAnswer(frame, natural) : natural;
  }
  Record(host, call);
  return call.answer;
}

int32_t HOST_CALL ServeIsFrameSaved(void* editHandle, int32_t frame) {
  ReferenceHost* host = HostOfHandle(editHandle);
  HostCall call = BeginCall(host, HostService::IsFrameSaved);
  call.frame = frame;
  if (host != nullptr) call.answer = host->unsavedFrames.count(frame) ? host->unsavedAnswer : 1;
  Record(host, call);
  return call.answer;
}

int32_t HOST_CALL ServeRefreshFilterWindow(FilterTable* filter) {
  ReferenceHost* host = HostOfFilter(filter);
  HostCall call = BeginCall(host, HostService::RefreshFilterWindow);
  if (host != nullptr) std::memcpy(call.trackValues, host->trackValues(), sizeof call.trackValues);
  Record(host, call);
  return 1;
}

int32_t HOST_CALL ServeGetFileInfo(void* editHandle, FileInfo* info) {
  ReferenceHost* host = HostOfHandle(editHandle);
  HostCall call = BeginCall(host, HostService::GetFileInfo);
  if (host != nullptr) {
    call.answer = host->getFileInfoAnswer;
    if (call.answer == 1 && info != nullptr) *info = host->fileInfo;
  }
  Record(host, call);
  return call.answer;
}

int32_t HOST_CALL ServeIsFilterActive(FilterTable* filter) {
  ReferenceHost* host = HostOfFilter(filter);
  HostCall call = BeginCall(host, HostService::IsFilterActive);
  if (host != nullptr) call.answer = host->isFilterActiveAnswer;
  Record(host, call);
  return call.answer;
}

int32_t HOST_CALL ServeGetSelection(void* editHandle, int32_t* start, int32_t* end) {
  ReferenceHost* host = HostOfHandle(editHandle);
  HostCall call = BeginCall(host, HostService::GetSelection);
  if (host != nullptr && host->hasSelection) {
    call.start = host->selectionStart;
    call.end = host->selectionEnd;
    if (start != nullptr) *start = call.start;
    if (end != nullptr) *end = call.end;
    call.answer = 1;
  }
  Record(host, call);
  return call.answer;
}

int32_t HOST_CALL ServeSetSelection(void* editHandle, int32_t start, int32_t end) {
  ReferenceHost* host = HostOfHandle(editHandle);
  HostCall call = BeginCall(host, HostService::SetSelection);
  call.start = start;
  call.end = end;
  if (host != nullptr) {
    host->hasSelection = true;
    host->selectionStart = start;
    host->selectionEnd = end;
    call.answer = 1;
  }
  Record(host, call);
  return call.answer;
}

}  // namespace

// ---- The host -----------------------------------------------------------------------

ReferenceHost::ReferenceHost(GetFilterTableFn getFilterTable, Edit editToHold)
    : edit(std::move(editToHold)), pluginTable_(getFilterTable()), guarded_(new Guarded) {
  fileInfo.videoRate = edit.videoRate;
  fileInfo.videoScale = edit.videoScale;
  fileInfo.audioRate = edit.audioRate;

  HostFunctions& services = guarded_->hostFunctions.value;
  std::memset(&services, 0, sizeof services);
  services.ReadFrameAudio = ServeReadFrameAudio;
  services.IsFrameSaved = ServeIsFrameSaved;
  services.RefreshFilterWindow = ServeRefreshFilterWindow;
  services.GetFileInfo = ServeGetFileInfo;
  services.IsFilterActive = ServeIsFilterActive;
  services.GetSelection = ServeGetSelection;
  services.SetSelection = ServeSetSelection;

  // The sliders start at the table's defaults, as a host lays them out.
  for (int track = 0; track < TRACK_COUNT; ++track) {
    guarded_->trackValues.value[track] = pluginTable_->trackDefaults[track];
  }

  // The live record is a copy of the table with the host's three words filled in.
  FilterTable& live = guarded_->liveFilter.value;
  live = *pluginTable_;
  live.trackValues = guarded_->trackValues.value;
  live.hostFunctions = &services;
  live.instance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x10000000));
  guarded_->liveFilterAsBuilt = live;

  LiveHosts().push_back(this);
}

ReferenceHost::~ReferenceHost() {
  std::vector<ReferenceHost*>& hosts = LiveHosts();
  hosts.erase(std::remove(hosts.begin(), hosts.end(), this), hosts.end());
}

FilterTable* ReferenceHost::liveFilter() { return &guarded_->liveFilter.value; }

int32_t* ReferenceHost::trackValues() { return guarded_->trackValues.value; }

void* ReferenceHost::editHandle() const { return const_cast<ReferenceHost*>(this); }

void ReferenceHost::SetModuleInstance(HINSTANCE instance) {
  guarded_->liveFilter.value.instance = instance;
  guarded_->liveFilterAsBuilt.instance = instance;
}

void ReferenceHost::CheckAfterCall(const char* procedure) {
  auto fault = [this, procedure](const char* what) {
    faults.push_back(std::string(what) + " after " + procedure);
  };
  if (!guarded_->liveFilter.Intact()) fault("live filter record guard changed");
  if (!guarded_->trackValues.Intact()) fault("trackValues guard changed");
  if (!guarded_->hostFunctions.Intact()) fault("HostFunctions guard changed");
  if (!guarded_->procInfo.Intact()) fault("ProcInfo guard changed");
  if (std::memcmp(&guarded_->liveFilter.value, &guarded_->liveFilterAsBuilt,
                  sizeof(FilterTable)) != 0) {
    fault("live filter record written");
  }
}

int32_t ReferenceHost::CallFilterProc(const ProcFields& fields, std::vector<int16_t>& audio) {
  const size_t values = static_cast<size_t>(std::max(fields.audioCount, 0)) *
                        static_cast<size_t>(std::max(fields.audioChannels, 0));
  audio.resize(values);
  GuardedSamples buffer(values);
  if (values > 0) std::memcpy(buffer.data(), audio.data(), values * sizeof(int16_t));

  ProcInfo& info = guarded_->procInfo.value;
  std::memset(&info, 0, sizeof info);
  info.currentFrame = fields.currentFrame;
  info.frameCount = fields.frameCount;
  info.audioData = buffer.data();
  info.audioCount = fields.audioCount;
  info.audioChannels = fields.audioChannels;
  info.editHandle = editHandle();
  const ProcInfo given = info;

  const int32_t result = liveFilter()->filterProc(liveFilter(), &info);

  CheckAfterCall("FilterProc");
  if (!buffer.Intact()) faults.push_back("sound buffer guard changed after FilterProc");
  if (std::memcmp(&info, &given, sizeof info) != 0) faults.push_back("ProcInfo written by FilterProc");
  if (values > 0) std::memcpy(audio.data(), buffer.data(), values * sizeof(int16_t));
  return result;
}

int32_t ReferenceHost::ProcessFrame(int32_t frame, std::vector<int16_t>& audio) {
  ProcFields fields;
  fields.currentFrame = frame;
  fields.frameCount = frameCount();
  fields.audioCount = FrameLength(edit, frame);
  fields.audioChannels = edit.channels;
  audio = FrameSound(edit, frame);
  return CallFilterProc(fields, audio);
}

int32_t ReferenceHost::SendWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int32_t answer =
      liveFilter()->filterWndProc(settingsWindow, message, wParam, lParam, nullptr, liveFilter());
  CheckAfterCall("FilterWndProc");
  if (answer != 0) ProcessFrame(currentFrame, lastPreview);
  return answer;
}

std::vector<int16_t> ReferenceHost::RenderEdit() {
  std::vector<int16_t> rendered;
  rendered.reserve(edit.samples.size());
  std::vector<int16_t> frameSound;
  const int32_t frames = frameCount();
  for (int32_t frame = 0; frame < frames; ++frame) {
    ProcessFrame(frame, frameSound);
    rendered.insert(rendered.end(), frameSound.begin(), frameSound.end());
  }
  return rendered;
}

std::vector<HostCall> ReferenceHost::CallsOf(HostService service) const {
  std::vector<HostCall> matching;
  for (const HostCall& call : calls) {
    if (call.service == service) matching.push_back(call);
  }
  return matching;
}
