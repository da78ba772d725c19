#include "lab/LabConsole.h"

#include <osgGA/GUIEventAdapter>

namespace {

const char* const FONT = "../data/arial.ttf";

osg::ref_ptr<osgText::Text> line(osg::Geode& geode, float y, const osg::Vec4& colour) {
    osg::ref_ptr<osgText::Text> text = new osgText::Text;
    text->setDataVariance(osg::Object::DYNAMIC);
    text->setFont(FONT);
    text->setCharacterSize(24);
    text->setColor(colour);
    text->setAlignment(osgText::Text::LEFT_BASE_LINE);
    text->setPosition(osg::Vec3(12, y, 0));
    // Readable on the grass and on the white sky alike.
    text->setBackdropType(osgText::Text::OUTLINE);
    text->setBackdropColor(osg::Vec4(1, 1, 1, 1));
    geode.addDrawable(text.get());
    return text;
}

} // namespace

LabConsole::LabConsole() : geode(new osg::Geode) {
    geode->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    lineText = line(*geode, 44, osg::Vec4(0, 0, 0, 1));
    answerText = line(*geode, 14, osg::Vec4(0.1f, 0.2f, 0.6f, 1));
    refresh();
}

void LabConsole::show() {
    open = true;
    refresh();
}

void LabConsole::hide() {
    open = false;
}

LabConsole::Typed LabConsole::type(int key, std::string& taken) {
    switch (key) {
    case osgGA::GUIEventAdapter::KEY_Return:
    case osgGA::GUIEventAdapter::KEY_KP_Enter:
        taken = text;
        text.clear();
        refresh();
        return Typed::Line;
    case osgGA::GUIEventAdapter::KEY_Escape:
        hide();
        return Typed::Closed;
    case osgGA::GUIEventAdapter::KEY_BackSpace:
        if (!text.empty())
            text.pop_back();
        refresh();
        return Typed::Nothing;
    default:
        if (key >= 0x20 && key < 0x7f && text.size() < MAX_LENGTH) {
            text += static_cast<char>(key);
            refresh();
        }
        return Typed::Nothing;
    }
}

void LabConsole::answer(const std::string& given) {
    answered = given;
    refresh();
}

void LabConsole::refresh() {
    lineText->setText("> " + text + "_");
    answerText->setText(answered);
}
