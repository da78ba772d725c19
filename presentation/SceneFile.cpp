#include "presentation/SceneFile.h"

#include <osgDB/ReadFile>
#include <osgDB/Registry>

#include <cstdio>
#include <fstream>
#include <iterator>

osg::ref_ptr<osg::Node> SceneFile::read(const std::string& file, const std::string& consequence) {
    osg::ref_ptr<osg::Node> node = osgDB::readNodeFile(file, osgDB::Registry::instance()->getOptions());
    if (node && isCutShort(file)) {
        std::printf("Warning: could not read %s: it is cut short; %s\n", file.c_str(), consequence.c_str());
        return nullptr;
    }
    if (!node)
        std::printf("Warning: could not read %s; %s\n", file.c_str(), consequence.c_str());
    return node;
}

bool SceneFile::isCutShort(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    int depth = 0;
    bool quoted = false;
    bool escaped = false;
    for (std::istreambuf_iterator<char> c(in), end; c != end; ++c) {
        if (quoted && escaped)
            escaped = false;
        else if (quoted && *c == '\\')
            escaped = true; // a quote inside a string is written \" and does not end it
        else if (*c == '"')
            quoted = !quoted;
        else if (!quoted)
            depth += *c == '{' ? 1 : *c == '}' ? -1 : 0;
    }
    return depth != 0 || quoted;
}
