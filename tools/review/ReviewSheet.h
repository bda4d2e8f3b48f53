// The review sheet: one PNG with the archer in its bind pose, in flight and
// through the shot (the nocked arrow where the scene draws it), with its
// wings at both ends of the beat; the arrow; the ten heart sizes opaque and
// blended over a background; the font sheet and captions, the banner and
// message strips at their drawn sizes; and the partner picture.
#pragma once

#include <string>

// Renders the sheet headless from the packs in dataDir (ending in "/") and
// writes it to outputPath. False with a reason on failure.
bool RenderReviewSheet(const std::string& dataDir, const std::string& outputPath, std::string* error);
