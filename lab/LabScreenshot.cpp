#include "lab/LabScreenshot.h"

#include "common/OutputFiles.h"

#include <osg/Image>
#include <osgDB/WriteFile>

#include <cstdio>

bool LabScreenshot::knownKind(const std::string& file) {
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos || file.find('/', dot) != std::string::npos)
        return false;
    const std::string kind = file.substr(dot + 1);
    return kind == "png" || kind == "jpg" || kind == "jpeg" || kind == "bmp";
}

void LabScreenshot::request(const std::string& file) {
    std::lock_guard<std::mutex> hold(guard);
    files.push_back(file);
}

void LabScreenshot::operator()(osg::RenderInfo& info) const {
    std::vector<std::string> taken;
    {
        std::lock_guard<std::mutex> hold(guard);
        taken.swap(files);
    }
    if (taken.empty())
        return;
    const osg::Viewport* viewport = info.getCurrentCamera()->getViewport();
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->readPixels(static_cast<int>(viewport->x()), static_cast<int>(viewport->y()),
                      static_cast<int>(viewport->width()), static_cast<int>(viewport->height()), GL_RGB,
                      GL_UNSIGNED_BYTE);
    for (const std::string& file : taken) {
        if (osgDB::writeImageFile(*image, file))
            std::printf("screenshot %s\n", OutputFiles::printable(file).c_str());
        else
            std::fprintf(stderr, "sylvara-lab: could not write the screenshot %s\n",
                         OutputFiles::printable(file).c_str());
    }
    std::fflush(stdout);
}
