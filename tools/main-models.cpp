// Shows every generated model at once: each animated core playing each of its
// animations side by side, and the plain models on a patch of ground, lit and
// tinted the way the program does it. Runs from bin/, like the program.
//
//   sylvara-models [--models DIR] [--screenshot FILE] [--at SECONDS] [--camera EX EY EZ CX CY CZ]
#include "character/CoreModel.h"
#include "character/Model.h"

#include <osg/Camera>
#include <osg/Material>
#include <osg/PositionAttitudeTransform>
#include <osgDB/ReadFile>
#include <osgDB/WriteFile>
#include <osgGA/TrackballManipulator>
#include <osgText/Text>
#include <osgViewer/Viewer>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Transform = osg::PositionAttitudeTransform;

osg::ref_ptr<osg::StateSet> emissive(const osg::Vec3& colour) {
    osg::ref_ptr<osg::StateSet> stateSet = new osg::StateSet;
    auto material = new osg::Material;
    material->setColorMode(osg::Material::OFF);
    material->setEmission(osg::Material::FRONT_AND_BACK, osg::Vec4(colour, 1));
    stateSet->setAttributeAndModes(material, osg::StateAttribute::ON | osg::StateAttribute::OVERRIDE);
    return stateSet;
}

struct Animation {
    const char* file;
    const char* name;
    bool loop;
};

osg::ref_ptr<character::CoreModel> loadCore(const std::string& folder, const std::string& skeleton,
                                            const std::vector<Animation>& animations, const std::string& mesh,
                                            const std::string& material) {
    osg::ref_ptr<character::CoreModel> core = new character::CoreModel("dummy");
    core->loadSkeleton(folder + skeleton);
    for (const Animation& a : animations)
        core->loadAnimation(folder + a.file, a.name);
    core->loadMesh(folder + mesh);
    core->loadMaterial(folder + material);
    core->loadAllTextures(folder);
    if (!core->isUsable()) {
        std::printf("could not load the %s character\n", mesh.c_str());
        return nullptr;
    }
    return core;
}

// Plays a one-shot animation again and again, with a pause to see the end pose.
class Repeater : public osg::NodeCallback {
public:
    Repeater(character::Model* model, int id, double period) : model(model), id(id), period(period) {}

    void operator()(osg::Node* node, osg::NodeVisitor* visitor) override {
        const double now = visitor->getFrameStamp() ? visitor->getFrameStamp()->getSimulationTime() : 0;
        if (next < 0 || now >= next) {
            model->startAction(id, 0.0f, 0.3f);
            next = now + period;
        }
        traverse(node, visitor);
    }

private:
    osg::observer_ptr<character::Model> model;
    int id;
    double period;
    double next = -1;
};

osg::ref_ptr<osg::Node> label(const std::string& text, const osg::Vec3& at, const std::string& font) {
    osg::ref_ptr<osgText::Text> words = new osgText::Text;
    words->setFont(font);
    words->setText(text);
    words->setPosition(at);
    words->setCharacterSize(9);
    words->setAxisAlignment(osgText::Text::SCREEN);
    words->setAlignment(osgText::Text::CENTER_BOTTOM);
    words->setColor({0.15f, 0.15f, 0.2f, 1});
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(words);
    geode->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    return geode;
}

osg::ref_ptr<Transform> place(osg::Node* child, const osg::Vec3& position, const osg::Vec3& scale,
                              const osg::Quat& attitude = osg::Quat()) {
    osg::ref_ptr<Transform> transform = new Transform;
    transform->setPosition(position);
    transform->setScale(scale);
    transform->setAttitude(attitude);
    if (child)
        transform->addChild(child);
    return transform;
}

// Grabs the frame buffer once the scene has played for a while.
class Screenshot : public osg::Camera::DrawCallback {
public:
    Screenshot(const std::string& file, double after) : file(file), after(after) {}

    void operator()(osg::RenderInfo& info) const override {
        if (taken || !info.getState()->getFrameStamp() ||
            info.getState()->getFrameStamp()->getSimulationTime() < after)
            return;
        const osg::Viewport* viewport = info.getCurrentCamera()->getViewport();
        osg::ref_ptr<osg::Image> image = new osg::Image;
        image->readPixels(static_cast<int>(viewport->x()), static_cast<int>(viewport->y()),
                          static_cast<int>(viewport->width()), static_cast<int>(viewport->height()), GL_RGB,
                          GL_UNSIGNED_BYTE);
        written = osgDB::writeImageFile(*image, file);
        taken = true;
    }

    mutable bool taken = false;
    mutable bool written = false;

private:
    std::string file;
    double after;
};

} // namespace

int main(int argc, char** argv) {
    std::string folder = "../models/", screenshot;
    osg::Vec3 eye(300, -300, 270), centre(300, 255, 20);
    double shotAfter = 3.0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--screenshot") && i + 1 < argc)
            screenshot = argv[++i];
        else if (!std::strcmp(argv[i], "--camera") && i + 6 < argc) {
            for (int k = 0; k < 3; ++k)
                eye[k] = std::stof(argv[++i]);
            for (int k = 0; k < 3; ++k)
                centre[k] = std::stof(argv[++i]);
        } else if (!std::strcmp(argv[i], "--at") && i + 1 < argc)
            shotAfter = std::stod(argv[++i]);
        else if (!std::strcmp(argv[i], "--models") && i + 1 < argc)
            folder = std::string(argv[++i]) + "/";
        else {
            std::printf(
                "usage: %s [--models DIR] [--screenshot FILE] [--at SECONDS] [--camera EX EY EZ CX CY CZ]\n",
                argv[0]);
            return 1;
        }
    }
    const std::string font = folder + "../data/arial.ttf";

    const std::vector<Animation> animalAnimations = {{"animal_Birth.xaf", "birth", false},
                                                     {"animal_Walk.xaf", "walk", true},
                                                     {"animal_Run.xaf", "run", true},
                                                     {"animal_Damaged.xaf", "damaged", false},
                                                     {"animal_Die.xaf", "die", true}};
    const std::vector<Animation> plantAnimations = {{"bloom_birth.xaf", "birth", false},
                                                    {"bloom_death.xaf", "die", true}};
    osg::ref_ptr<character::CoreModel> herbivore =
        loadCore(folder, "animal.xsf", animalAnimations, "herbivore_mesh.xmf", "animal_material.xrf");
    osg::ref_ptr<character::CoreModel> carnivore =
        loadCore(folder, "animal.xsf", animalAnimations, "carnivore_mesh.xmf", "animal_material.xrf");
    osg::ref_ptr<character::CoreModel> bloom =
        loadCore(folder, "bloom.xsf", plantAnimations, "bloom_mesh.xmf", "bloom_material.xrf");
    const char* nodeFiles[] = {"groundtile.osg", "stem.osg",      "seed.osg",
                               "lifeping.osg",   "deathping.osg", "downarrow.osg"};
    std::vector<osg::ref_ptr<osg::Node>> nodes;
    bool complete = herbivore && carnivore && bloom;
    for (const char* file : nodeFiles) {
        nodes.push_back(osgDB::readNodeFile(folder + file));
        if (!nodes.back()) {
            std::printf("could not read %s%s\n", folder.c_str(), file);
            complete = false;
        }
    }
    osg::ref_ptr<osg::Node> ground = nodes[0], stem = nodes[1], seed = nodes[2], lifePing = nodes[3],
                            deathPing = nodes[4], arrow = nodes[5];

    osg::ref_ptr<osg::Group> root = new osg::Group;
    // A ground of 4 x 5 tiles in the program's grey, a few brightened by
    // animals and one fertilized, to check the shades still read.
    for (int r = -1; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            osg::ref_ptr<Transform> tile =
                place(ground.get(), {c * 150.0f + 75, r * 150.0f + 75, 0}, {15, 15, 15});
            osg::Vec3 shade(0.7f, 0.7f, 0.7f);
            if (r == 0 && c == 3)
                shade = {0.8f, 0.8f, 1.0f};
            else if (r == 1 && c == 3)
                shade = {0.9f, 0.9f, 0.9f};
            tile->setStateSet(emissive(shade));
            root->addChild(tile);
        }
    // The program tints stems and seeds white.
    if (stem)
        stem->setStateSet(emissive({1, 1, 1}));
    if (seed)
        seed->setStateSet(emissive({1, 1, 1}));

    // Animals of the largest size (scale 5.1), three quarters full, facing +x
    // as the program turns them at birth with a heading of 0.
    const float columnX[] = {100, 200, 300, 400, 500};
    struct Row {
        character::CoreModel* core;
        float y;
        osg::Vec3 colour;
    };
    const Row animalRows[] = {{herbivore.get(), 130, {0.6f, 0.95f, 0.55f}},
                              {carnivore.get(), 260, {1.1f, 0.55f, 0.45f}}};
    for (const Row& row : animalRows) {
        if (!row.core)
            continue;
        for (int a = 0; a < 5; ++a) {
            osg::ref_ptr<character::Model> model = new character::Model;
            model->create(row.core);
            model->setStateSet(emissive(row.colour));
            const float s = 100 * 0.05f + 0.1f;
            osg::ref_ptr<Transform> body =
                place(model.get(), {columnX[a], row.y, 0}, {s, s, s * 0.75f}, osg::Quat(1.5705, osg::Z_AXIS));
            if (animalAnimations[a].loop)
                model->startLoop(a, 1.0f, 0.0f);
            else
                body->addUpdateCallback(new Repeater(model.get(), a, a == 0 ? 2.6 : 1.6));
            root->addChild(body);
            if (row.core == herbivore.get())
                root->addChild(label(animalAnimations[a].name, {columnX[a], 70, 2}, font));
        }
    }

    // Plants of the largest size (t = 161) with three stem segments and a ring
    // of seeds, half of them ripe, built the way the program builds them.
    const float t = 100 * 1.6f + 1;
    const int segments = 3;
    auto plant = [&](const osg::Vec3& at, character::Model* flower, int seeds) {
        osg::ref_ptr<Transform> whole = place(nullptr, at + osg::Vec3(0, 0, 20.0f * (segments - 1)),
                                              {1, 1, 1}, osg::Quat(0.6, osg::Z_AXIS));
        whole->addChild(
            place(stem.get(), {0, 0, -20.0f * (segments - 1)}, {t * 0.1f, t * 0.1f, 2.0f * segments}));
        osg::ref_ptr<Transform> head = place(flower, {0, 0, 20}, {t, t, t});
        for (int i = 0; i < seeds; ++i)
            head->addChild(place(seed.get(), {},
                                 i < seeds / 2 ? osg::Vec3(0.5f, 1, 1) : osg::Vec3(0.2f, 1, 1),
                                 osg::Quat(i * (360 / seeds) * 0.01745, osg::Z_AXIS)));
        whole->addChild(head);
        return whole;
    };
    if (bloom)
        for (int a = 0; a < 2; ++a) {
            osg::ref_ptr<character::Model> flower = new character::Model;
            flower->create(bloom.get());
            flower->setStateSet(emissive({1.2f, 0.75f, 0.95f}));
            osg::ref_ptr<Transform> p = plant({columnX[a], 420, 0}, flower.get(), a == 0 ? 0 : 6);
            if (plantAnimations[a].loop)
                flower->startLoop(a, 1.0f, 0.0f);
            else
                p->addUpdateCallback(new Repeater(flower.get(), a, 2.0));
            root->addChild(p);
        }
    // Shared nodes: a seed-bearing stem without a bloom, the pings and the arrow.
    root->addChild(plant({columnX[2], 420, 0}, nullptr, 8));
    const osg::Vec3 pingColours[] = {{0.5f, 1.2f, 0.6f}, {1.2f, 0.6f, 1.1f}};
    for (int i = 0; i < 2; ++i) {
        osg::ref_ptr<Transform> ping =
            place(lifePing.get(), {columnX[3] + (i ? 25 : -25), 420, 0}, {40, 40, 200});
        ping->setStateSet(emissive(pingColours[i]));
        root->addChild(ping);
    }
    root->addChild(place(deathPing.get(), {columnX[4], 420, 0}, {40, 40, 200}));
    root->addChild(place(arrow.get(), {columnX[2], 420, 75}, {40, 40, 40}));

    osgViewer::Viewer viewer;
    viewer.setUpViewInWindow(20, 20, 1200, 800);
    viewer.setSceneData(root);
    viewer.getCamera()->setClearColor({1, 1, 1, 1});
    // A dim headlight, so the emissive tints keep their shades.
    viewer.setLightingMode(osg::View::HEADLIGHT);
    viewer.getLight()->setAmbient({0.05f, 0.05f, 0.05f, 1});
    viewer.getLight()->setDiffuse({0.35f, 0.35f, 0.35f, 1});
    viewer.getLight()->setSpecular({0.1f, 0.1f, 0.1f, 1});
    viewer.getCamera()->setProjectionMatrixAsPerspective(40, 1.5, 1, 5000);
    viewer.setCameraManipulator(new osgGA::TrackballManipulator);
    viewer.getCameraManipulator()->setHomePosition(eye, centre, {0, 0, 1});
    osg::ref_ptr<Screenshot> grab;
    if (!screenshot.empty()) {
        grab = new Screenshot(screenshot, shotAfter);
        viewer.getCamera()->setFinalDrawCallback(grab);
    }
    viewer.realize();
    viewer.home();
    while (!viewer.done() && !(grab && grab->taken))
        viewer.frame();
    if (grab) {
        if (!grab->written)
            std::printf("could not write %s\n", screenshot.c_str());
        return grab->written && complete ? 0 : 1;
    }
    return complete ? 0 : 1;
}
