#pragma once
// What assistive tools are told about the skin's own controls, which Qt
// cannot know by their base classes: the Update picture is a push button, a
// skinned button in check-box mode is a check box, the drawn progress bar is
// a progress bar with a value. A hidden button, as a disabled one, offers no
// action and does nothing when asked.

//! Registers the accessibility interfaces of the skin's controls with Qt, once per process.
void InstallSkinAccessibility();
