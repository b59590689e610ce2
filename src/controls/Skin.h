#pragma once

#include "BitmapEx.h"

#include <QRgb>
#include <QWidget>

#include <string>

namespace qv {

// The colour of a skin whose description cannot be read: RGB(155, 184, 200).
constexpr QRgb kDefaultSkinColour = 13154459;
// At most this many entries of one list are read.
constexpr int kMaxSkinEntries = 260;

// Applies a skin folder's "SkinSetting.xml" to a window whose controls carry
// their ids (property "controlId"): the bitmap buttons' images, kinds, places
// and visibility, the image statics, and the places of other controls.
// A missing or malformed description changes nothing; an entry that names no
// control of the right kind, or an image that does not load, changes only
// what it can.
void ApplySkinControls(const std::string& skinFolder, QWidget* window, const char* element);
// The description's CtlBkColor (0x00BBGGRR), or kDefaultSkinColour.
QRgb ReadSkinColour(const std::string& skinFolder);
// The window's background image from the description; unchanged when the
// description cannot be read, empty when its image does not load.
void ApplySkinBackground(const std::string& skinFolder, CBitmapEx& background, const char* element);

// Whether a skin can dress a window: its description reads, and its
// background and every button picture it names load.
bool SkinLoads(const std::string& skinFolder, const char* element);

// The skin folder of a skin name: program folder + "Skins/" + name + "/".
std::string SkinFolder(const std::string& programFolder, const std::string& skinName);

// C's atoi on a text: leading blanks, a sign, digits; anything else 0.
int LenientNumber(const std::string& text);

} // namespace qv
