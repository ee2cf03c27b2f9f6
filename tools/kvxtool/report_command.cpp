#include "tools/kvxtool/report_command.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>

#include "platform/clock.h"
#include "platform/file_io.h"
#include "robot/common/settings.h"
#include "tools/kvxtool/validation_report.h"

namespace korvex::kvxtool {

namespace {

namespace fs = std::filesystem;

std::string U8(TextView text) { return ToUtf8(text); }

const char* kReportUsage =
    "kvxtool report [CARPETA...] [-o ARCHIVO.html] [--desde FECHA] [--hasta FECHA] "
    "[--segundos N] [--abrir]";

int Usage(Environment& env, const std::string& why) {
  env.err += "kvxtool: " + why + "\nkvxtool: uso: " + kReportUsage +
             "\nUse \"kvxtool --help\" para ver los comandos.\n";
  return kUsage;
}

struct Request {
  std::vector<Text> folders;
  std::optional<Text> output;
  ReportOptions options;
  bool open = false;
};

// Parses the command line; the reason when it is wrong.
std::optional<std::string> Parse(const std::vector<Text>& args, Request* request) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const Text& arg = args[i];
    const bool takes_value = arg == u"-o" || arg == u"--desde" || arg == u"--hasta" || arg == u"--segundos";
    if (takes_value && i + 1 >= args.size()) return "falta el valor de " + U8(arg);
    if (arg == u"-o") {
      if (request->output) return "-o se indica una sola vez";
      request->output = args[++i];
      if (request->output->empty()) return "-o necesita un nombre de archivo";
    } else if (arg == u"--desde" || arg == u"--hasta") {
      std::optional<Day>& day = arg == u"--desde" ? request->options.from : request->options.to;
      if (day) return U8(arg) + " se indica una sola vez";
      day = ParseDay(args[++i]);
      if (!day) return "fecha no válida para " + U8(arg) + ": \"" + U8(args[i]) + "\" (DD/MM/AAAA o AAAA-MM-DD)";
    } else if (arg == u"--segundos") {
      const Text& value = args[++i];
      long n = 0;
      bool ok = !value.empty() && value.size() <= 4;
      for (const char16_t c : value) {
        if (c < u'0' || c > u'9') ok = false;
        n = n * 10 + (c - u'0');
      }
      if (!ok || n < 1 || n > 3600) return "--segundos necesita un número de 1 a 3600: \"" + U8(value) + "\"";
      request->options.seconds_per_answer = static_cast<int>(n);
    } else if (arg == u"--abrir") {
      request->open = true;
    } else if (!arg.empty() && arg[0] == u'-') {
      return "opción desconocida: " + U8(arg);
    } else {
      if (arg.empty()) return "una carpeta vacía";
      request->folders.push_back(arg);
    }
  }
  if (request->options.from && request->options.to && *request->options.to < *request->options.from) {
    return "--hasta es anterior a --desde";
  }
  return std::nullopt;
}

// The journal files of one folder, by name; false when the folder cannot be
// listed.
bool ListJournals(const Text& folder, const ValidationReportBuilder& builder, std::vector<Text>* names) {
  std::error_code error;
  fs::directory_iterator it(fs::path(folder), error);
  if (error) return false;
  for (const fs::directory_iterator end; it != end; it.increment(error)) {
    if (error) return false;
    const Text name = it->path().filename().u16string();
    if (!builder.Wants(name)) continue;
    std::error_code ignored;
    if (!it->is_regular_file(ignored)) continue;
    names->push_back(name);
  }
  if (error) return false;
  std::sort(names->begin(), names->end());
  return true;
}

}  // namespace

int Report(const std::vector<Text>& args, Environment& env) {
  Request request;
  if (std::optional<std::string> why = Parse(args, &request)) return Usage(env, *why);

  // A person who started the report from the Start menu has no console:
  // a failure is also shown to them, in a sentence of its own.
  auto fail = [&](const std::string& message,
                  const std::string& heading = "No se pudo preparar el informe de validaciones.") {
    env.err += "kvxtool: " + message + "\n";
    if (request.open && env.alert) {
      std::string sentence = message;
      if (sentence[0] >= 'a' && sentence[0] <= 'z') sentence[0] = static_cast<char>(sentence[0] - 'a' + 'A');
      env.alert(heading + (heading.empty() ? "" : "\n\n") + sentence + ".");
    }
    return kFailure;
  };

  if (request.folders.empty()) {
    if (env.registry == nullptr) {
      return fail("sin CARPETA se lee la carpeta de registros configurada en el robot, que está en el "
                  "registro de Windows (use kvxtool.exe, o indique la carpeta)");
    }
    request.folders.push_back(Settings(*env.registry).LogDir());
  }
  Text output_path;
  if (request.output) {
    output_path = *request.output;
  } else if (request.open) {
    const Text documents = env.documents ? env.documents() : Text();
    if (documents.empty()) return fail("no se encontró la carpeta de documentos del usuario; indique -o ARCHIVO.html");
    output_path = (fs::path(documents) / fs::path(Text(kReportFileName))).u16string();
  }

  ValidationReportBuilder builder(request.options);
  std::set<fs::path> seen;  // one folder named twice is read once
  std::vector<Text> folders;
  for (const Text& folder : request.folders) {
    std::error_code ignored;
    const fs::path canonical = fs::weakly_canonical(fs::path(folder), ignored);
    if (!seen.insert(ignored ? fs::path(folder) : canonical).second) continue;
    folders.push_back(folder);
    std::vector<Text> names;
    if (!ListJournals(folder, builder, &names)) {
      return fail("no se puede leer la carpeta " + U8(folder) + "; no se escribió el informe");
    }
    for (const Text& name : names) {
      const Text path = (fs::path(folder) / fs::path(name)).u16string();
      std::string bytes;
      bool too_large = false;
      if (!ReadWholeFile(path, &bytes, kMaxJournalBytes, &too_large)) {
        builder.AddUnreadable(folder, name,
                              too_large ? u"tiene más de " + FromUtf8(std::to_string(kMaxJournalBytes >> 20)) +
                                              u" MiB: no es un registro del robot"
                                        : u"no se pudo leer el archivo");
        continue;
      }
      builder.AddFile(folder, name, bytes);
    }
  }
  const ValidationReport report = builder.Finish(std::move(folders));
  for (const SkippedFile& s : report.skipped) {
    env.err += "kvxtool: no se leyó " + U8((fs::path(s.folder) / fs::path(s.file_name)).u16string()) + ": " +
               U8(s.reason) + "\n";
  }

  SystemClock system_clock;
  Clock& clock = env.clock != nullptr ? *env.clock : system_clock;
  const std::string page = RenderReportPage(report, request.options, clock.LocalNow());
  if (output_path.empty()) {
    env.out += page;
    return kSuccess;
  }
  if (!ReplaceFileSafely(output_path, page)) {
    return fail("no se pudo escribir " + U8(output_path) + "; queda como estaba");
  }
  env.out += U8(output_path) + "\t" + std::to_string(report.runs.size()) + " ejecuciones\t" +
             std::to_string(report.dialogs) + " diálogos\t" + std::to_string(report.skipped.size()) +
             " no leídos\n";
  if (request.open) {
    if (!env.open || !env.open(output_path)) {
      return fail("el informe quedó en " + U8(output_path) + ", pero no se pudo abrir en el navegador", "");
    }
  }
  return kSuccess;
}

}  // namespace korvex::kvxtool
