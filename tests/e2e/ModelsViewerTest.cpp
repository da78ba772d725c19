// sylvara-models on its own Xvfb screen: it must draw the whole catalogue and
// save a screenshot that shows it.
#include <gtest/gtest.h>

#include <osg/Image>
#include <osgDB/ReadFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// An Xvfb that picks a free display itself and tells us which through a pipe.
class PrivateScreen {
public:
    PrivateScreen() {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
                   "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char buffer[32] = {};
        std::string number;
        ssize_t n;
        while ((n = read(fds[0], buffer, sizeof buffer)) > 0) {
            number.append(buffer, static_cast<std::size_t>(n));
            if (number.find('\n') != std::string::npos)
                break;
        }
        close(fds[0]);
        if (!number.empty() && number[0] >= '0' && number[0] <= '9')
            display = ":" + number.substr(0, number.find('\n'));
    }
    ~PrivateScreen() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    std::string display;

private:
    pid_t pid = -1;
};

} // namespace

TEST(ModelsViewerTest, ScreenshotShowsEveryModelOnTheBoard) {
    PrivateScreen screen;
    ASSERT_FALSE(screen.display.empty()) << "Xvfb did not start";
    const std::string shot = "/tmp/sylvara-models-" + std::to_string(getpid()) + ".png";
    const std::string command =
        "DISPLAY=" + screen.display + " timeout 120 ./sylvara-models --screenshot " + shot;
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << command;

    osg::ref_ptr<osg::Image> image = osgDB::readImageFile(shot);
    std::remove(shot.c_str());
    ASSERT_TRUE(image.valid());
    ASSERT_GT(image->s(), 400);
    // The board fills much of the frame against the white background, and the
    // creatures, plants and pings bring many distinct colours.
    int coloured = 0;
    std::set<int> colours;
    const int total = image->s() * image->t();
    for (int y = 0; y < image->t(); ++y)
        for (int x = 0; x < image->s(); ++x) {
            const osg::Vec4 c = image->getColor(x, y);
            if (c.r() + c.g() + c.b() < 2.7f)
                ++coloured;
            colours.insert(int(c.r() * 15.99f) << 8 | int(c.g() * 15.99f) << 4 | int(c.b() * 15.99f));
        }
    EXPECT_GT(coloured, total * 0.4) << "mostly blank";
    EXPECT_GT(colours.size(), 60u) << "too few colours";
    // Some of the white sky still shows above the board.
    EXPECT_LT(coloured, total * 0.99);
}
