#pragma once

namespace projconv {

class ConverterDialog;

// Makes every control of the dialog reachable from the keyboard and known to
// assistive tools, without touching the tab order or any text it shows:
//   F5 Convert, Shift+F5 Cancel Conversion (said in their tool tips);
//   Alt+T, Alt+S and Alt+E put the focus on the sample type, signedness and
//   byte order groups, where the arrow keys choose within the group;
//   every edit, and the pictures and toggle of the preview, get accessible
//   names ("Input width", "Crop left", ...).
// Also lets a folder be dropped onto either folder field.
void AddKeyboardAccess(ConverterDialog& dialog);

}  // namespace projconv
