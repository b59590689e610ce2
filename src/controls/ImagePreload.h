#pragma once

#include <QImage>

#include <string>

namespace qv {

// Decodes the images of a folder (a skin's) on a worker thread, so that the
// window's start-up does not wait for them on the interface thread. Images
// asked for meanwhile wait for their own decoding only. Preloading again
// replaces what was preloaded before.
void PreloadImageFiles(const std::string& folder);
// The preloaded image of that file: true and the image once it is decoded
// (waiting for it when it still is being decoded); false when the file was
// not preloaded.
bool TakePreloadedImage(const std::string& path, QImage* image);
// Forgets what was preloaded, once the window is dressed.
void DropPreloadedImages();

} // namespace qv
