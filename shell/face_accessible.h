// What a screen reader finds on the face: the face itself, whose value is the display as it
// reads; the display; each of the 45 keys as a button named by its legend, with its 2nd
// function and PC keys as description and a press action; and the menu button.
#pragma once

class QAccessibleInterface;
class QObject;
class QString;

namespace korvelce {

// Makes the face's accessible interfaces known to Qt (once per process).
void installFaceAccessibility();

}  // namespace korvelce
