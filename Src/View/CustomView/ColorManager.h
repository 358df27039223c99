#pragma once

// Kept for layouts that name it; it holds nothing.
class ColorManager {
};
