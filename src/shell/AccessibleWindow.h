#pragma once

class QWidget;

/// Makes the main window a frame for screen readers.
///
/// Qt exposes a top-level plain widget as a filler, and a reader then neither reads its title on request nor
/// speaks a new title; as a frame its name is the window title, and its status bar is found below it.
void InstallMainWindowAccessibility();
