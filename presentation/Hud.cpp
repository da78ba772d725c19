#include "presentation/Hud.h"

#include "life/Animal.h"
#include "plants/Plant.h"

#include <osg/BoundingBox>
#include <osg/Geometry>
#include <osgText/Font>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

const char* const FONT = "../data/arial.ttf";
// Dark text: full-scale colours would draw white on the white backdrops.
const osg::Vec4 TEXT_COLOUR(10.0f / 255.0f, 10.0f / 255.0f, 10.0f / 255.0f, 1.0f);

// True when every table a TrueType file lists lies inside it. FreeType opens a
// cut-off font and fails only on the glyphs past the cut.
bool tablesAreWhole(const char* file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto number = [&](size_t at, int size) {
        unsigned long value = 0;
        for (int i = 0; i < size; ++i)
            value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        return value;
    };
    if (bytes.size() < 12)
        return false;
    const unsigned long tables = number(4, 2);
    if (bytes.size() < 12 + 16 * tables)
        return false;
    for (unsigned long table = 0; table < tables; ++table) {
        const size_t record = 12 + 16 * table;
        if (number(record + 8, 4) + number(record + 12, 4) > bytes.size())
            return false;
    }
    return true;
}

// Without our font osgText quietly takes a system font or its built-in one.
bool fontIsUsable() {
    const osg::ref_ptr<osgText::Font> font = osgText::readRefFontFile(FONT);
    return font && font->getFileName() == FONT && tablesAreWhole(FONT);
}

osg::ref_ptr<osg::Geometry> makeBackdrop(const osg::Vec3 (&corners)[4], osg::Vec3Array* normals,
                                         osg::Vec4Array* colours) {
    osg::ref_ptr<osg::Geometry> quad = new osg::Geometry;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array(4, corners);
    quad->setVertexArray(vertices.get());
    quad->setNormalArray(normals, osg::Array::BIND_OVERALL);
    quad->setColorArray(colours, osg::Array::BIND_OVERALL);
    quad->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));
    osg::StateSet* state = quad->getOrCreateStateSet();
    state->setMode(GL_BLEND, osg::StateAttribute::ON);
    state->setRenderingHint(osg::StateSet::TRANSPARENT_BIN);
    return quad;
}

} // namespace

const char* const Hud::CONTROLS_TEXT =
    "\nchoose "
    "tools:\n[C]->camera\n[S]->select\n[F]->fertilize\n[K]->kill\n[G]->genesis\n\netc:\n[P]->pause\n[W]->"
    "spawn herb.\n[E]->spawn carn.\n[R]->spawn plant\n\nLeft click\nto use tools.\n\nLeft click + drag to \n "
    "rotate "
    "camera.\n\nRight click + drag\n to zoom camera.";

osg::ref_ptr<osgText::Text> Hud::makeText(const osg::Vec3& position, const std::string& text) const {
    osg::ref_ptr<osgText::Text> label = new osgText::Text;
    label->setFont(FONT);
    label->setColor(TEXT_COLOUR);
    label->setPosition(position);
    label->setText(text);
    return label;
}

Hud::Hud(std::string titleArgument)
    : infoGeode(new osg::Geode), infoPlace(new osg::MatrixTransform), controlsGeode(new osg::Geode) {
    infoPlace->addChild(infoGeode.get());
    if (!fontIsUsable())
        std::printf("Warning: could not read the font %s; the text uses another font.\n", FONT);
    osg::ref_ptr<osg::Geode> titleGeode = new osg::Geode;
    titleGeode->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF);

    titleText = makeText(osg::Vec3(0, 998, 0), titleArgument);
    titleGeode->addDrawable(titleText.get());
    infoText = makeText(osg::Vec3(0, 960, 0), "");
    infoGeode->addDrawable(infoText.get());
    title = titleArgument;
    hintText = makeText(osg::Vec3(995, 998, 0), "| [H]->show controls");
    titleGeode->addDrawable(hintText.get());
    controlsGeode->addDrawable(makeText(osg::Vec3(1010, 962, 0), CONTROLS_TEXT).get());

    osg::BoundingBox box;
    box.expandBy(titleText->getBoundingBox());
    backdropDepth = box.zMin() - 0.1f;
    const float d = backdropDepth;
    backdropNormals = new osg::Vec3Array(1, &osg::Z_AXIS);
    const osg::Vec4 white(1, 1, 1, 0.5f);
    backdropColours = new osg::Vec4Array(1, &white);
    osg::Vec3Array* normals = backdropNormals.get();
    osg::Vec4Array* colours = backdropColours.get();
    const osg::Vec3 band[4] = {{box.xMin() - 2, box.yMax() + 2, d},
                               {box.xMin() - 2, box.yMin() - 2, d},
                               {1500, box.yMin() - 2, d},
                               {1500, box.yMax() + 2, d}};
    const osg::Vec3 info[4] = {{0, 962, d}, {0, 660, d}, {450, 660, d}, {450, 962, d}};
    const osg::Vec3 controls[4] = {{1000, 1000, d}, {1000, 250, d}, {1450, 250, d}, {1450, 1000, d}};
    titleGeode->addDrawable(makeBackdrop(band, normals, colours).get());
    infoGeode->addDrawable(makeBackdrop(info, normals, colours).get());
    controlsGeode->addDrawable(makeBackdrop(controls, normals, colours).get());

    camera = new osg::Camera;
    camera->setProjectionMatrix(osg::Matrixd::ortho2D(0, 1280, 0, 1024));
    camera->setReferenceFrame(osg::Transform::ABSOLUTE_RF);
    camera->setViewMatrix(osg::Matrixd::identity());
    camera->setClearMask(GL_DEPTH_BUFFER_BIT);
    camera->setRenderOrder(osg::Camera::POST_RENDER);
    camera->addChild(titleGeode.get());
    // The overlay is flat: keep the scene's forced lighting from greying the backdrops and text.
    camera->getOrCreateStateSet()->setMode(GL_LIGHTING,
                                           osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
}

void Hud::setStatus(std::string text) {
    status = std::move(text);
}

void Hud::refreshTitle() {
    titleText->setText(title + ": " + status);
}

void Hud::clearSelection() {
    refreshTitle();
    camera->removeChild(infoPlace.get());
}

void Hud::showSelection(osg::ref_ptr<Life> life) {
    clearSelection();
    std::ostringstream text;
    if (life->getCategory() == CATEGORY_ANIMAL) {
        Animal* animal = static_cast<Animal*>(life.get());
        text << "\n\nSelected: Animal ";
        if (animal->getKind() == KIND_CARNIVORE)
            text << "Carnivore";
        else if (animal->getKind() == KIND_HERBIVORE)
            text << "Herbivore";
        text << "\nsize: " << animal->getSize() << "\nprey size: " << animal->getPreySize()
             << "\nadrenaline [red]: " << animal->getAdrenaline() << "\nspeed [green]: " << animal->getSpeed()
             << "\nspawn efficiency [blue]: " << animal->getSpawnEfficiency()
             << "\n\n[1]-> spawn a predator.\n[2]->spawn a prey.";
    } else if (life->getCategory() == CATEGORY_PLANT) {
        Plant* plant = static_cast<Plant*>(life.get());
        text << "\n\nSelected: Plant"
             << "\nsize:" << plant->getSize() << "\nmax size:" << plant->getGenomeSize()
             << "\nspawn radius [red]: " << plant->getSpawnRadius()
             << "\noffspring/spawn x10 [green]: " << plant->getOffspring()
             << "\nspawn efficiency [blue]: " << plant->getSpawnEfficiency() << "\n\n[1]-> spawn a predator.";
    }
    selectionText = text.str();
    selectionAppendix.clear();
    if (appendixBackdrop)
        infoGeode->removeDrawable(appendixBackdrop.get());
    appendixBackdrop = nullptr;
    infoText->setText(selectionText);
    camera->addChild(infoPlace.get());
}

void Hud::setSelectionAppendix(const std::string& text) {
    if (text == selectionAppendix)
        return;
    selectionAppendix = text;
    infoText->setText(selectionText + selectionAppendix);
    // The panel's backdrop ends at 660; the appended lines reach further down and get their own.
    const float bottom = std::min(660.0f, infoText->getBoundingBox().yMin() - 6.0f);
    if (appendixBackdrop && bottom == appendixBottom)
        return;
    appendixBottom = bottom;
    const osg::Vec3 corners[4] = {{0, 660, backdropDepth},
                                  {0, bottom, backdropDepth},
                                  {450, bottom, backdropDepth},
                                  {450, 660, backdropDepth}};
    if (appendixBackdrop)
        infoGeode->removeDrawable(appendixBackdrop.get());
    appendixBackdrop = makeBackdrop(corners, backdropNormals.get(), backdropColours.get());
    infoGeode->addDrawable(appendixBackdrop.get());
}

void Hud::addControlsSection(const std::string& text) {
    // Right under the panel's backdrop, which ends at 250, up to the overlay's right edge at 1280,
    // and never over more than its right half.
    constexpr float TOP = 244;
    constexpr float BOTTOM = 4;
    constexpr float RIGHT = 1272;
    constexpr float LEFTMOST = 640;
    constexpr float GAP = 24;
    std::vector<std::string> lines;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    // The lines in that many columns, the first ones fullest, and the scale at which they fit.
    const auto layOut = [&](size_t count, float& scale) {
        std::vector<osg::ref_ptr<osgText::Text>> columns;
        const size_t each = (lines.size() + count - 1) / count;
        float width = GAP * static_cast<float>(count - 1);
        float height = 0;
        for (size_t first = 0; first < lines.size(); first += each) {
            std::string column;
            for (size_t line = first; line < std::min(first + each, lines.size()); ++line)
                column += (line > first ? "\n" : "") + lines[line];
            columns.push_back(makeText(osg::Vec3(0, 0, 0), column));
            const osg::BoundingBox box = columns.back()->getBoundingBox();
            width += box.xMax() - box.xMin();
            height = std::max(height, box.yMax() - box.yMin());
        }
        scale = std::min({1.0f, (TOP - BOTTOM) / height, (RIGHT - LEFTMOST) / width});
        return columns;
    };
    float scale = 0;
    for (size_t count = 1; count <= std::min<size_t>(3, lines.size()); ++count) {
        float fits = 0;
        std::vector<osg::ref_ptr<osgText::Text>> columns = layOut(count, fits);
        if (fits > scale) {
            scale = fits;
            sectionColumns = columns;
        }
    }
    // Right to left from the overlay's edge, each column's top at the same height.
    float right = RIGHT;
    for (auto column = sectionColumns.rbegin(); column != sectionColumns.rend(); ++column) {
        osgText::Text& part = **column;
        part.setCharacterSize(part.getCharacterHeight() * scale);
        const osg::BoundingBox box = part.getBoundingBox();
        part.setPosition(osg::Vec3(right - box.xMax(), TOP - box.yMax(), 0));
        right -= box.xMax() - box.xMin() + GAP * scale;
        controlsGeode->addDrawable(&part);
    }
    // A single column starts where the sandbox's panel text does.
    if (sectionColumns.size() == 1) {
        osgText::Text& part = *sectionColumns.front();
        const osg::BoundingBox box = part.getBoundingBox();
        const float left = std::min(1010.0f, box.xMin());
        part.setPosition(part.getPosition() + osg::Vec3(left - box.xMin(), 0, 0));
        right = left - GAP * scale;
    }
    const float d = backdropDepth;
    const float edge = std::min(1000.0f, right + GAP * scale - 10);
    const osg::Vec3 corners[4] = {{edge, 250, d}, {edge, 0, d}, {1450, 0, d}, {1450, 250, d}};
    controlsGeode->addDrawable(makeBackdrop(corners, backdropNormals.get(), backdropColours.get()).get());
}

void Hud::toggleControls() {
    controlsShown = !controlsShown;
    if (controlsShown) {
        hintText->setText("| [H]->hide controls");
        camera->addChild(controlsGeode.get());
    } else {
        hintText->setText("| [H]->show controls");
        camera->removeChild(controlsGeode.get());
    }
}

int Hud::countOnCamera(const osg::Node* node) const {
    int count = 0;
    for (unsigned i = 0; i < camera->getNumChildren(); ++i) {
        const osg::Node* child = camera->getChild(i);
        // The selection's lines sit one step down, in the transform that places them.
        count += child == node || (child == infoPlace.get() && node == infoGeode.get()) ? 1 : 0;
    }
    return count;
}

void Hud::setSelectionShift(float x, float y) {
    if (osg::Vec2(x, y) == shift)
        return;
    shift.set(x, y);
    infoPlace->setMatrix(osg::Matrixd::translate(x, y, 0));
}
