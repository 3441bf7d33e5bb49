#pragma once
// The colours the skin was drawn against: light fields under its dark-blue
// text. A dark desktop theme's dark fields would make that text unreadable.

//! Gives the application the skin's light colours where the desktop theme is
//! dark; a light theme keeps its own. Message boxes and the lists' pop-ups are
//! windows of their own, so the colours are the application's, set before the
//! first window shows.
void ApplySkinPalette();
