#pragma once
// The data type of a variable's array and the location its values live at. Both are plain
// enumerations because their integer values are part of the interface: types are compared
// as signed integers, and locations are bit flags (Element And Face is Face plus Element).
// The fixed underlying type makes every int a valid value, so out-of-table values are safe.

namespace zev {

enum VarType : int { eConservative = 0, eHybrid = 1, eUser = 2, eLocal = 3, eMesh = 4, eUnknown = 5 };

enum VarLocation : int { eLocationUnknown = 0, eVertex = 1, eFace = 4, eElement = 8, eElementAndFace = 12 };

} // namespace zev
