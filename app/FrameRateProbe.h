#pragma once

class Application;

// Runs the program's own scene and frame loop with a given population for a
// while and measures the frames per second and the resident memory.
class FrameRateProbe {
public:
    struct Result {
        int organisms = 0;
        int frames = 0;
        double seconds = 0;
        double framesPerSecond = 0;
        long residentKb = 0;
        // Processor time of every thread of the process (the renderer's too) per frame: a figure
        // that other work on the machine disturbs less than the frame rate.
        double cpuMsPerFrame = 0;
        // Organisms drawn as far cards in the last frame.
        int cards = 0;
    };

    // Where the camera looks: the whole board (as the program starts), the middle tile, or one
    // animal close up.
    enum class View { board, tile, animal };
    static bool parseView(const char* name, View& view);

    // Ticks run before the measurement starts: the genesis pings live 16.
    static constexpr long warmUpTicks = 20;

    // Returns false when no window could be opened.
    static bool run(int organisms, double seconds, Result& result, View view = View::board);
    static long residentKb();
    static double cpuSeconds();

private:
    static void lookAt(Application& application, View view);
};
