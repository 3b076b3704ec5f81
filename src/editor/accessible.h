#pragma once

// What a screen reader is given for the window's own kinds of control, where Qt's own
// description of the widget they are made from does not fit.
namespace accessible {

// Makes the descriptions below the ones a screen reader gets; the first call does it.
void install();

} // namespace accessible
