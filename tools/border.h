// The border: a two-line frame drawn into a picture, a black line on the
// outermost ring of pixels and a white line on the ring just inside it.
// The lines replace the pixels under them; nothing else changes, so
// drawing the border twice gives the same pixels as drawing it once.
#pragma once

namespace mergola {

class Picture;

// Frames picture at its own current size (W x H, or W x 2H after
// "Onder elkaar"). A picture narrower or lower than three pixels has no
// inner ring, so it gets only the black line; one without pixels is left
// alone.
void drawBorder(Picture &picture);

} // namespace mergola
