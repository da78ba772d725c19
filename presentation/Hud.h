#pragma once

#include "life/Life.h"

#include <osg/Camera>
#include <osg/Geode>
#include <osg/Geometry>
#include <osg/MatrixTransform>
#include <osg/ref_ptr>
#include <osgText/Text>

#include <string>
#include <vector>

// The 2-D overlay: title line with the active tool, the controls hint and
// panel, and the traits of the selected organism.
class Hud {
public:
    explicit Hud(std::string title);

    osg::Camera* getCamera() const { return camera.get(); }
    void setStatus(std::string text);
    void refreshTitle();
    void clearSelection();
    void showSelection(osg::ref_ptr<Life> life);
    void toggleControls();

    // Additions a tool may make; the sandbox makes none.
    // Text shown below the selected organism's traits, until the next selection.
    void setSelectionAppendix(const std::string& text);
    // Moves the selected organism's lines this far right and up, in overlay units (0, 0: where the
    // sandbox shows them), so a tool's own panels leave them readable.
    void setSelectionShift(float x, float y);
    const osg::Vec2& getSelectionShift() const { return shift; }
    // The top of the selection's first line of text as placed by the sandbox, in overlay units.
    float getSelectionTextTop() const { return infoText->getBoundingBox().yMax(); }
    // A section of the controls panel below its text, on a backdrop of its own. Every line of it
    // shows: lines that do not fit under the panel go on in a column to the left, and the text
    // shrinks only when even that leaves it too wide or too tall.
    void addControlsSection(const std::string& text);
    // The section's columns, left to right, once added.
    const std::vector<osg::ref_ptr<osgText::Text>>& getControlsSection() const { return sectionColumns; }

    // What the overlay shows, for the program's own checks.
    std::string getTitleText() const { return titleText->getText().createUTF8EncodedString(); }
    std::string getHintText() const { return hintText->getText().createUTF8EncodedString(); }
    std::string getInfoText() const { return infoText->getText().createUTF8EncodedString(); }
    bool isSelectionShown() const { return camera->containsNode(infoPlace.get()); }
    bool areControlsShown() const { return controlsShown; }
    int countOnCamera(const osg::Node* node) const;
    osg::Geode* getInfoGeode() const { return infoGeode.get(); }

    static const char* const CONTROLS_TEXT;

private:
    osg::ref_ptr<osgText::Text> makeText(const osg::Vec3& position, const std::string& text) const;

    bool controlsShown = false;
    std::string title;
    std::string status;
    // The selection panel's text as showSelection composed it, and what a tool appends.
    std::string selectionText;
    std::string selectionAppendix;
    osg::ref_ptr<osgText::Text> titleText;
    osg::ref_ptr<osgText::Text> hintText;
    osg::ref_ptr<osgText::Text> infoText;
    osg::ref_ptr<osg::Camera> camera;
    osg::ref_ptr<osg::Geode> infoGeode;
    // Carries the selection's lines and backdrops, moved right by the shift.
    osg::ref_ptr<osg::MatrixTransform> infoPlace;
    osg::Vec2 shift;
    osg::ref_ptr<osg::Geode> controlsGeode;
    osg::ref_ptr<osg::Vec3Array> backdropNormals;
    osg::ref_ptr<osg::Vec4Array> backdropColours;
    float backdropDepth = 0.0f;
    osg::ref_ptr<osg::Geometry> appendixBackdrop;
    std::vector<osg::ref_ptr<osgText::Text>> sectionColumns;
    float appendixBottom = 0.0f;
};
