// The table engine on a large catalogue: open in title order and reach the last
// row, walk every row reading every field as text, insert films one by one.
// The catalogue comes from KVN_BENCH_DIR (see run_db_bench.sh).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "db/table.h"

namespace {

std::string CatalogueDir() {
  const char* dir = std::getenv("KVN_BENCH_DIR");
  return dir ? dir : "/tmp/kvn-demo-1000000";
}

// Anonymous resident memory of the process in MB (heap and stacks; the mapped
// catalogue file is the system's page cache and is not counted).
double RssAnonMb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "RssAnon:") {
      double kb;
      status >> kb;
      return kb / 1024;
    }
    status.ignore(1 << 10, '\n');
  }
  return 0;
}

void BM_OpenTitleOrderAndReachLast(benchmark::State& state) {
  double before = RssAnonMb();
  for (auto _ : state) {
    kvn::db::Database db(CatalogueDir());
    kvn::db::Table t(db);
    t.SetTableName("Video");
    t.SetIndexName("idTitre");
    t.Open();
    t.Last();
    benchmark::DoNotOptimize(t.FieldByName("Titre").AsString());
    state.counters["rows"] = static_cast<double>(t.RecordCount());
    state.counters["cursor_MB"] = RssAnonMb() - before;
  }
}
BENCHMARK(BM_OpenTitleOrderAndReachLast)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WalkEveryFieldAsText(benchmark::State& state) {
  kvn::db::Database db(CatalogueDir());
  kvn::db::Table t(db);
  t.SetTableName("Video");
  t.SetIndexName("idTitre");
  double before = RssAnonMb();
  t.Open();
  int64_t rows = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    for (t.First(); !t.Eof(); t.Next()) {
      for (int f = 0; f < t.FieldCount(); ++f) bytes += t.FieldByIndex(f).AsString().size();
      ++rows;
    }
  }
  benchmark::DoNotOptimize(bytes);
  state.counters["rows_per_s"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
  state.counters["cursor_MB"] = RssAnonMb() - before;
}
BENCHMARK(BM_WalkEveryFieldAsText)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Insert10000FilmsOneByOne(benchmark::State& state) {
  namespace fs = std::filesystem;
  const std::string copy = CatalogueDir() + "-insert";
  for (auto _ : state) {
    state.PauseTiming();
    fs::create_directories(copy);
    fs::copy_file(CatalogueDir() + "/video.DB", copy + "/video.DB",
                  fs::copy_options::overwrite_existing);
    kvn::db::Database db(copy);
    kvn::db::Table t(db);
    t.SetTableName("Video");
    t.SetIndexName("idTitre");
    t.Open();
    state.ResumeTiming();
    for (int i = 0; i < 10000; ++i) {
      t.Insert();
      t.FieldByName("Titre").SetText("Film inséré n° " + std::to_string(i * 7919 % 10000));
      t.FieldByName("Genre").SetText("Drame");
      t.FieldByName("Support").SetText("DVD");
      t.FieldByName("Durée").SetText("01:45:00");
      t.FieldByName("Nb_cd").SetText("1");
      t.Post();
    }
  }
  state.counters["inserts_per_s"] = benchmark::Counter(
      10000.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  std::filesystem::remove_all(copy);
}
BENCHMARK(BM_Insert10000FilmsOneByOne)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
