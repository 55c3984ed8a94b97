// vellumine-searchbench STORE_FOLDER INDEX_FILE QUERY...
// Times, inside one process, an update of the store's search index (one
// that finds nothing changed, after a first build elsewhere) and each query
// (best of 5, the 1,000 newest results with their snippets, then the
// count of all), in wall time and in this process's CPU time, which a
// machine shared with other work disturbs less.

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <iostream>
#include <memory>

#include "search/SearchIndex.h"
#include "store/StoreReader.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double CpuSeconds(std::clock_t start)
{
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

// Wall and CPU time of one call, each the best seen so far.
template <typename Work>
auto Timed(double& bestWall, double& bestCpu, Work&& work)
{
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    auto result = work();
    bestWall = std::min(bestWall, Seconds(start));
    bestCpu = std::min(bestCpu, CpuSeconds(cpuStart));
    return result;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::cerr << "usage: vellumine-searchbench STORE_FOLDER INDEX_FILE QUERY...\n";
        return 2;
    }
    using namespace vellumine;
    try {
        StoreReader reader(std::make_shared<FolderStoreLocation>(argv[1]));
        auto start = std::chrono::steady_clock::now();
        SearchIndex index(argv[2], reader.StoreFolderPath());
        const IndexUpdate update = index.Update(reader, reader.ReadStoreFolders());
        std::printf("%-44s %8.3f s  (files read %zu, unchanged %zu)\n", "open + update", Seconds(start),
                    update.filesRead, update.filesUnchanged);
        for (int i = 3; i < argc; ++i) {
            double best = 1e9;
            double bestCpu = 1e9;
            double bestCount = 1e9;
            double bestCountCpu = 1e9;
            std::size_t found = 0;
            std::size_t total = 0;
            for (int round = 0; round < 5; ++round) {
                found = Timed(best, bestCpu, [&] { return index.Find(argv[i]).size(); });
                total = Timed(bestCount, bestCountCpu, [&] { return index.Count(argv[i]); });
            }
            std::printf("query %-38s %8.1f ms (%6.1f cpu)  %zu results; count %7.1f ms (%6.1f cpu)  %zu in all\n",
                        argv[i], best * 1000, bestCpu * 1000, found, bestCount * 1000, bestCountCpu * 1000, total);
        }
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
