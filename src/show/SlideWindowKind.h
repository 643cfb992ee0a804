#pragma once

// The two slide windows: the bordered one (normal or always-on-top display) and the
// borderless one that covers the screen.
enum class SlideWindowKind { Bordered, FullScreen };
