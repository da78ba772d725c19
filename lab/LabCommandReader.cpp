#include "lab/LabCommandReader.h"

#include <iostream>

LabCommandReader::~LabCommandReader() {
    if (reader.joinable())
        reader.detach();
}

void LabCommandReader::start() {
    reader = std::thread([this] {
        int number = 0;
        for (std::string text; std::getline(std::cin, text);) {
            std::lock_guard<std::mutex> hold(guard);
            lines.push_back({++number, text});
        }
        std::lock_guard<std::mutex> hold(guard);
        finished = true;
    });
}

std::vector<LabCommandReader::Line> LabCommandReader::take() {
    std::lock_guard<std::mutex> hold(guard);
    std::vector<Line> taken;
    taken.swap(lines);
    return taken;
}

bool LabCommandReader::ended() {
    std::lock_guard<std::mutex> hold(guard);
    return finished && lines.empty();
}
