#pragma once

namespace qv {

// Makes the skinned controls known to the accessibility layer: the bitmap
// slider as a slider with its value (buttons are buttons through Qt already).
// Call once after the application object exists; later calls do nothing.
void InstallSkinnedAccessibility();

} // namespace qv
