// The module's descriptor and its one export.
//
// Everything here is writable static data of the module, as hosts expect, and the
// plug-in itself never writes any of it. Texts are zero-terminated code page 932.

#include "plugin/get_filter_table.h"

#include "audio/filter_proc.h"
#include "host/filter_host.h"
#include "host/tracks.h"
#include "selection/filter_wnd_proc.h"

namespace {

char s_filterName[] = "Brisdale";
char s_information[] = "version 0.19 by \x82\x6a\x82\x6e\x82\x75";  // "version 0.19 by ＫＯＶ"

char s_labelFrontFrames[] = "\x91\x4f\x82\xa9\x82\xe7";  // "前から", from the front
char s_labelBackFrames[] = "\x8c\xe3\x82\xa9\x82\xe7";   // "後から", from the back
char s_labelOffsetMs[] = "\x89\xb9\x82\xb8\x82\xea";     // "音ずれ", sound offset

char* s_trackLabels[TRACK_COUNT] = {s_labelFrontFrames, s_labelBackFrames, s_labelOffsetMs};
int32_t s_trackDefaults[TRACK_COUNT] = {0, 0, 0};
int32_t s_trackMinimums[TRACK_COUNT] = {0, 0, -599};
int32_t s_trackMaximums[TRACK_COUNT] = {100, 100, 599};

// Host flag bits 14, 19 and 21; their meaning is the host's.
constexpr uint32_t kFilterFlags = 0x4000 | 0x80000 | 0x200000;

FilterTable s_filterTable = {
    /* flags          */ kFilterFlags,
    /* windowWidth    */ 320,
    /* windowHeight   */ 180,
    /* name           */ s_filterName,
    /* trackCount     */ TRACK_COUNT,
    /* trackLabels    */ s_trackLabels,
    /* trackDefaults  */ s_trackDefaults,
    /* trackMinimums  */ s_trackMinimums,
    /* trackMaximums  */ s_trackMaximums,
    /* reserved9      */ {0, 0, 0},
    /* filterProc     */ FilterProc,
    /* reserved13     */ {0, 0, 0},
    /* filterWndProc  */ FilterWndProc,
    /* trackValues    */ nullptr,  // the host fills it in the live filter record
    /* reserved18     */ {0, 0, 0},
    /* information    */ s_information,
    /* reserved22     */ {0, 0},
    /* hostFunctions  */ nullptr,  // the host fills it in the live filter record
    /* reserved25     */ 0,
    /* instance       */ nullptr,  // the host fills it in the live filter record
    /* reserved27     */ {0, 0, 0, 0, 0, 0, 0, 0},
};

}  // namespace

// The module's only export. Same pointer on every call, no other effect.
extern "C" FilterTable* HOST_EXPORT_CALL GetFilterTable() { return &s_filterTable; }
