#pragma once

class TForm1;
class TForm2;
class TForm3;

// The program's three windows, created once at start and alive until the end.
extern TForm1 *Form1;
extern TForm2 *Form2;
extern TForm3 *Form3;

// Creates the main window (its start-up work runs first), then the setup dialog and the settings
// window.
void createWindows();
void destroyWindows();
