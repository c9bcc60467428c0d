#pragma once

// Tells screen readers what the program's own widgets are: a colour panel used as a button (or
// toggle button, with its state) or as a status text, a label used as a button, a picture, and
// the run chart. Installed once; later calls do nothing.
void installAccessibility();
