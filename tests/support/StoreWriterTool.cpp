// vellumine-storewriter DESCRIPTION.json OUTPUT_FOLDER: writes a store from
// its JSON description (see StoreDescription.h).

#include <exception>
#include <iostream>

#include "StoreDescription.h"
#include "ToolArguments.h"

int main(int argc, char** argv)
{
    if (argc != 3 || vellumine::tools::RefusesOptions(argc, argv, "vellumine-storewriter DESCRIPTION.json OUTPUT_FOLDER")) {
        std::cerr << "usage: vellumine-storewriter DESCRIPTION.json OUTPUT_FOLDER\n";
        return 2;
    }
    try {
        vellumine::storewriter::WriteStoreFromDescription(argv[1], argv[2]);
    } catch (const std::exception& e) {
        std::cerr << "vellumine-storewriter: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
