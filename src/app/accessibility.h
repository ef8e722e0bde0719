#pragma once

// What assistive tools read from the program's windows beyond what Qt gives
// by itself: the editor's text with the right character extents, and the
// program's own windows as frames or dialogs instead of bare panes.
namespace Accessibility {

// Installs the program's accessible interfaces; once is enough, more is
// harmless.
void install();

} // namespace Accessibility
