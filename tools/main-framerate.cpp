// Frames per second of the real scene with a given population:
//   sylvara-framerate ORGANISMS [SECONDS]
#include "app/FrameRateProbe.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::atoi(argv[1]) < 0) {
        std::printf("usage: %s ORGANISMS [SECONDS]\n", argv[0]);
        return 2;
    }
    const double seconds = argc == 3 ? std::atof(argv[2]) : 10.0;
    FrameRateProbe::Result result;
    if (!FrameRateProbe::run(std::atoi(argv[1]), seconds, result))
        return 1;
    std::printf("organisms %d frames %d seconds %.2f fps %.2f rss_kb %ld\n", result.organisms, result.frames,
                result.seconds, result.framesPerSecond, result.residentKb);
    return 0;
}
