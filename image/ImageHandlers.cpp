// The Image group's handlers: load, clear, send, show and delete the display picture.

#include "app/MainWindow.h"

void TForm1::wireImage() {}
