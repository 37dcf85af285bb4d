#pragma once

class QWidget;

/// Gives a dialog its fixed client size (pixels at 96 dots per inch) and the small form font,
/// and centres it on its screen.
void SetUpFixedDialog(QWidget& dialog, int clientWidth, int clientHeight);
