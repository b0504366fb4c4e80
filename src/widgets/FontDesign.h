#pragma once

// The design variant of the system font a text asks for.
enum class FontDesign { standard, rounded, monospaced };
