#pragma once

// The main window's fixed layout: where its controls sit after the skin, and
// the built-in captions used without a language file.

#include <QRect>

namespace qv {

struct ControlPlace {
    int id;
    QRect place; // a zero size keeps the control's own size
};

// Client pixels of the controls that the window places itself.
inline constexpr ControlPlace kControlPlaces[] = {
    {1006, {50, 111, 470, 265}}, {1028, {52, 410, 50, 20}},   {1007, {105, 409, 140, 20}},
    {1029, {288, 410, 80, 20}},  {1008, {375, 409, 140, 20}}, {1030, {52, 440, 50, 20}},
    {1018, {105, 439, 410, 20}}, {1010, {525, 439, 65, 21}},  {1031, {52, 470, 50, 20}},
    {1011, {105, 469, 333, 20}}, {1012, {440, 469, 70, 21}},  {1013, {525, 469, 65, 21}},
    {1046, {553, 320, 0, 0}},    {1023, {718, 356, 0, 0}},    {1066, {620, 108, 124, 15}},
};

inline constexpr QRect kPreviewPlace{551, 124, 258, 180};
inline constexpr int kPreviewBitmap = 133;
inline constexpr int kWindowIcon = 128;

} // namespace qv
