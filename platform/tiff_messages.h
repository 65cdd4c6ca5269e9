// Qt's TIFF plugin leaves libtiff on its default handlers, which print
// warnings and errors straight to standard error. Routed through Qt's
// messages instead, they go where every other decoder's complaints go (the
// command line keeps them out of its one-line verdict).
#pragma once

namespace mergola {

// Points libtiff's warning and error handlers at qWarning. Does nothing
// until the plugin has loaded the library, and nothing once it has
// succeeded; cheap to call before every TIFF decode.
void routeTiffMessagesThroughQt();

} // namespace mergola
