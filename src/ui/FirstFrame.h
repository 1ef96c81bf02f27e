#pragma once
// The window's first look, handed to the X server before the window is mapped. The
// server shows it the moment the window manager maps the window, as it fills any
// window with its background, so the picture is on screen before Qt has painted the
// frame (menus, toolbar, status bar and text follow a few milliseconds later). Until
// Qt's first paint the window would otherwise show whatever was beneath it.

class CMainFrame;
class QImage;

// Draws the frame as it will first look into `image`, the frame's size in device
// pixels: the window's colour, the view's background and the page's pictures where
// the page puts them, without text. False when the page holds no picture (a draft
// or no document shown): then there is nothing worth showing ahead of Qt.
bool ComposeFirstFrame(CMainFrame& frame, QImage& image);

// Shows the frame; on an X11 display that shares memory with the program, with its
// composed first look as the window's background until Qt's first paint.
void ShowWithFirstFrame(CMainFrame& frame);
