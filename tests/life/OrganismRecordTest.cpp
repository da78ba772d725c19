// An animal or a plant built from its record gives back the same record: a field added to a list but
// left out of the copy would be lost on every save and load.
#include "WorldFixture.h"

#include <type_traits>

namespace {

LifeRecord lifeWithValuesOfItsOwn(int id, int state) {
    LifeRecord r;
    r.id = id;
    r.generation = 6;
    r.parentId = 3;
    r.birthTick = 44;
    r.genotypeId = 2;
    r.state = state;
    r.size = 57;
    r.spawnEfficiency = 13;
    r.energy = 9.25f;
    r.adrenalineLevel = 2.5f;
    r.position.set(130.5, 140.25, 0.5);
    r.heading = 1.375f;
    return r;
}

} // namespace

#define EXPECT_LIFE_COPIED(type, member, ...)                                                                \
    EXPECT_NE(want.life.member, LifeRecord().member) << "no value of its own: " #member;                     \
    EXPECT_EQ(got.life.member, want.life.member) << #member;
#define EXPECT_OWN_COPIED(type, member, ...)                                                                 \
    EXPECT_NE(want.member, std::decay_t<decltype(want)>().member) << "no value of its own: " #member;        \
    EXPECT_EQ(got.member, want.member) << #member;

using OrganismRecordTest = WorldFixture;

TEST_F(OrganismRecordTest, AnAnimalBuiltFromItsRecordGivesBackEveryFieldAndItsTarget) {
    AnimalRecord want;
    want.life = lifeWithValuesOfItsOwn(901, STATE_CHASE);
    want.kind = KIND_CARNIVORE;
    want.speed = 31;
    want.adrenaline = 47;
    want.preySize = 68;
    want.walking = true;
    want.running = true;
    want.exhausted = true;
    want.deathCountdown = 5;
    osg::ref_ptr<Animal> animal = new Animal(want, tile(1, 1), 16);
    osg::ref_ptr<Animal> prey = new Animal(AnimalRecord(), tile(1, 1), 16);
    animal->restoreTarget(prey.get());
    const AnimalRecord got = animal->record();
    SYLVARA_LIFE_FIELDS(EXPECT_LIFE_COPIED, SYLVARA_RECORD_SKIP)
    SYLVARA_ANIMAL_FIELDS(SYLVARA_RECORD_SKIP, EXPECT_OWN_COPIED, SYLVARA_RECORD_SKIP)
    EXPECT_EQ(got.targetId, prey->getId());
    // A dying animal keeps no target: the one it had may be gone already.
    want.life.state = STATE_DEAD;
    osg::ref_ptr<Animal> dying = new Animal(want, tile(1, 1), 16);
    dying->restoreTarget(prey.get());
    EXPECT_EQ(dying->record().targetId, AnimalRecord::NO_TARGET);
}

TEST_F(OrganismRecordTest, APlantBuiltFromItsRecordGivesBackEveryField) {
    PlantRecord want;
    want.life = lifeWithValuesOfItsOwn(902, STATE_WITHERING);
    want.life.adrenalineLevel = 0.5f;
    want.grownSize = 7.5f;
    want.offspring = 36;
    want.spawnRadius = 8;
    want.segments = 3;
    want.countdown = 11;
    want.seedsReleased = 2;
    want.ripeSeeds = 4;
    want.seedRingBuilt = true;
    want.withered = true;
    want.bloomHeight = 0.375f;
    osg::ref_ptr<Plant> plant = new Plant(want, tile(2, 3), 16);
    const PlantRecord got = plant->record();
    SYLVARA_LIFE_FIELDS(EXPECT_LIFE_COPIED, SYLVARA_RECORD_SKIP)
    SYLVARA_PLANT_FIELDS(SYLVARA_RECORD_SKIP, EXPECT_OWN_COPIED)
}
