#pragma once

// The active mouse tool.
enum ToolMode { TOOL_KILL = 0, TOOL_GENESIS = 1, TOOL_FERTILIZE = 2, TOOL_SELECT = 3, TOOL_CAMERA = 5 };
