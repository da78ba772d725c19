#include "app/Application.h"

int main(int argc, char** argv) {
    Application application;
    return application.run(argc, argv);
}
