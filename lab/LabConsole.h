#pragma once

#include <osg/Geode>
#include <osg/ref_ptr>
#include <osgText/Text>

#include <string>

// The lab's console: a text line at the foot of the window that takes commands. Keys are given to
// it one at a time while it is open; it keeps the line being typed and the answer to the last one.
class LabConsole {
public:
    // What a key did.
    enum class Typed { Nothing, Line, Closed };
    // The longest line it takes: a command is far shorter.
    static constexpr size_t MAX_LENGTH = 400;

    LabConsole();

    bool isOpen() const { return open; }
    void show();
    void hide();
    // A key pressed while open: a printable character is added, BackSpace takes the last one back,
    // Return hands the line over (Line, and the line is in taken), Escape closes (Closed).
    Typed type(int key, std::string& taken);
    // The one-line answer to the last line, shown under it.
    void answer(const std::string& line);
    const std::string& getText() const { return text; }
    const std::string& getAnswer() const { return answered; }
    // The overlay's node; drawn only while open.
    osg::Node* getNode() const { return geode.get(); }

private:
    void refresh();

    bool open = false;
    std::string text;
    std::string answered;
    osg::ref_ptr<osg::Geode> geode;
    osg::ref_ptr<osgText::Text> lineText;
    osg::ref_ptr<osgText::Text> answerText;
};
