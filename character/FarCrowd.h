#pragma once

#include "character/CardAtlas.h"
#include "character/CrowdBatch.h"

namespace character {

class SkinData;

// Every character of one core that covers only a few pixels, drawn as camera-facing cards: four
// corners per character and no skinning, however many there are, all in one draw.
class FarCrowd : public CrowdBatch {
public:
    explicit FarCrowd(const SkinData& skin);

    const CardAtlas& getAtlas() const { return atlas; }

protected:
    ~FarCrowd() override;

private:
    CardAtlas atlas;
};

} // namespace character
