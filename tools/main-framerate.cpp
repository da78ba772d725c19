// Frames per second of the real scene with a given population:
//   sylvara-framerate ORGANISMS [SECONDS [board|tile|animal]]
#include "app/FrameRateProbe.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    FrameRateProbe::View view = FrameRateProbe::View::board;
    if (argc < 2 || argc > 4 || std::atoi(argv[1]) < 0 ||
        (argc == 4 && !FrameRateProbe::parseView(argv[3], view))) {
        std::printf("usage: %s ORGANISMS [SECONDS [board|tile|animal]]\n", argv[0]);
        return 2;
    }
    const double seconds = argc >= 3 ? std::atof(argv[2]) : 10.0;
    FrameRateProbe::Result result;
    if (!FrameRateProbe::run(std::atoi(argv[1]), seconds, result, view))
        return 1;
    std::printf("organisms %d frames %d seconds %.2f fps %.2f rss_kb %ld cpu_ms_per_frame %.1f cards %d\n",
                result.organisms, result.frames, result.seconds, result.framesPerSecond, result.residentKb,
                result.cpuMsPerFrame, result.cards);
    return 0;
}
