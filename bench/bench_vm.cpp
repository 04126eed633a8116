// bench_vm: KvVmData::Sort and KvMakeBinFile::MakeFile over growing tables; both should grow
// as n log n and n respectively.
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "vm/KvAppVmData.h"
#include "vm/KvMakeFile.h"

namespace {

// A host whose log sink swallows everything, so that the builder's listing costs nothing.
class QuietLog : public ILanguageDebug {
public:
    bool HasError() override { return false; }
    void Print(const std::string&, int) override {}
    void PrintLine(const std::string&, int) override {}
    void ReportError(int, const std::string&, int) override {}
    void ReportErrorAt(int, int, int, const std::string&, int) override {}
    void ReportErrorAtWithData(int, int, int, const std::string&, const std::string&,
                               const std::map<std::string, std::string>&, int) override {}
};

class QuietHost : public IData {
public:
    const std::map<std::string, std::vector<IDataTable*>>& GetDatabases() override { return dbs_; }
    void SetData(const std::string&, const std::string&, BasicData*) override {}
    void FindMidVariables(const std::string&, std::vector<IMidVariable*>&) override {}
    void FindFunctions(const std::string&, std::vector<ICFunction*>&) override {}
    const std::map<std::string, std::vector<ICFunction*>>& GetFunctionTable() override {
        return functions_;
    }
    ILanguageDebug* GetLanguageDebug() override { return &log_; }

private:
    QuietLog log_;
    std::map<std::string, std::vector<IDataTable*>> dbs_;
    std::map<std::string, std::vector<ICFunction*>> functions_;
};

// n records per table, keys in an order unrelated to their hashes. Sized so that a table
// stays within the image's 16-bit record area for n up to about 2000.
KvVmData MakeData(int64_t n) {
    KvVmData data;
    for (int64_t i = 0; i < n; ++i) {
        const std::string key = "key" + std::to_string((i * 7919) % n);
        CAppVmVariable v;
        v.appKey = key;
        v.belongTaskId.push_back("t");
        data.appVariable.push_back(v);
        CAppVmTaskInfo t;
        t.taskId = key;
        t.stepCount = static_cast<int32_t>(i);
        t.timerId.push_back(1);
        data.appTask.push_back(t);
        CAppVmParBin p;
        p.key = key;
        data.appPar.push_back(p);
        data.defaultData[key] = "0";
    }
    return data;
}

void BM_Sort(benchmark::State& state) {
    const KvVmData data = MakeData(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        KvVmData copy = data;
        state.ResumeTiming();
        copy.Sort();
        benchmark::DoNotOptimize(copy.appVariable.items.data());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Sort)->RangeMultiplier(4)->Range(64, 65536)->Complexity(benchmark::oNLogN);

void BM_MakeFile(benchmark::State& state) {
    const KvVmData data = MakeData(state.range(0));
    QuietHost host;
    for (auto _ : state) {
        KvMakeBinFile maker(&host, data);
        std::vector<uint8_t> image;
        benchmark::DoNotOptimize(maker.MakeFile(image));
        benchmark::DoNotOptimize(image.data());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_MakeFile)->RangeMultiplier(2)->Range(64, 2048)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
