#pragma once

// Every number the tick's rules read, with today's values as defaults. Each field keeps the type its
// constant had, so the arithmetic of a default world is what it always was. RuleTable names them.
struct Rules {
    // Animals.
    float animalMoveCost = 0.01f;
    float animalBreedAt = 0.8f;
    float animalBirthEnergy = 0.5f;
    float animalBreedCost = 0.5f;
    float animalBreedEfficiency = 0.02f;
    float animalRestedAt = 0.5f;
    float animalRecovery = 0.01f;
    float animalRunCost = 0.1f;
    float animalRunStep = 0.1f;
    float animalWalkStep = 0.5f;
    int animalTurnChance = 50;
    float animalPreyTolerance = 0.2f;
    double animalReach = 0.1;
    float animalSizeAdvantage = 0.01f;
    float animalFoodValue = 1.0f;
    int animalDeathTicks = 15;
    // What speed and size cost; 0 keeps them free, as they always were.
    float animalSpeedCost = 0.0f;
    float animalSizeCost = 0.0f;
    // 1: the upkeep grows in proportion to size; above 1 a large body costs more than in proportion.
    float animalSizeCostPower = 1.0f;
    // 1: a carnivore hunts carnivores as well as herbivores, as it always did; 0: never its own kind.
    int animalHuntOwnKind = 1;
    // 1: a carnivore hunts whenever it is rested; below 1 only while its energy is below this share of
    // its most.
    float animalHuntBelow = 1.0f;
    // 0: a prey fits a window either side of the hunter's prey size, as it always did; 1: a herbivore
    // takes any plant below the window's top; 2: every hunter takes any prey below it.
    int animalSmallerPrey = 0;

    // Plants.
    float plantGrowAt = 0.8f;
    float plantBirthEnergy = 0.5f;
    float plantSeedCost = 0.75f;
    int plantSeedsPer = 10;
    int plantSpread = 5;
    int plantMinSize = 4;
    int plantSegmentSize = 10;
    float plantFoodValue = 0.5f;
    int plantWitherTicks = 30;
    int plantDeathTicks = 10;

    // Tiles.
    float tileNourishment = 0.02f;
    float tileFertilizedBoost = 2.0f;
    float tileViability = 50.0f;
    float tileFertilizedCrowd = 100.0f;

    // Inheritance.
    int mutationChance = 20;
    int mutationStep = 5;
    int mutationKindSwitch = 10;
    int mutationHerbivoreOneIn = 3;
    int mutationTraitBudget = 100;
    // 0: a step is drawn from -step to step-1 (as it always was); 1: from -step to +step.
    int mutationSymmetric = 0;

    // What the genesis puts on a tile.
    int genesisHerbivores = 10;
    int genesisCarnivores = 10;
    int genesisPlants = 10;

    static const Rules& defaults();
};
