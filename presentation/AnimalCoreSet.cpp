#include "presentation/AnimalCoreSet.h"

#include "presentation/ModelCatalogue.h"

namespace {

osg::ref_ptr<character::CoreModel> loadAnimalCore(const char* mesh) {
    return ModelCatalogue::loadCore("../models/animal.xsf",
                                    {"../models/animal_Birth.xaf", "birth", "../models/animal_Walk.xaf", "walk",
                                     "../models/animal_Run.xaf", "run", "../models/animal_Damaged.xaf", "damaged",
                                     "../models/animal_Die.xaf", "die"},
                                    mesh, "../models/animal_material.xrf");
}

} // namespace

AnimalCoreSet::AnimalCoreSet() {
    carnivore = nullptr;
    herbivore = nullptr;
    carnivore = loadAnimalCore("../models/carnivore_mesh.xmf");
    herbivore = loadAnimalCore("../models/herbivore_mesh.xmf");
}
