#pragma once

#include <osg/Node>
#include <osg/ref_ptr>

#include <string>

// Reads the scene files Sylvara shares between many nodes. The scene-graph library reads a
// cut-off .osg file without a word and keeps whatever came before the cut; such a file is
// refused here, in one line that names it.
class SceneFile {
public:
    // Null when the file is missing, unreadable or cut short; the line ends with the consequence.
    static osg::ref_ptr<osg::Node> read(const std::string& file, const std::string& consequence);
    // Braces that do not pair up, or a string left open, outside and inside quoted text.
    static bool isCutShort(const std::string& file);
};
