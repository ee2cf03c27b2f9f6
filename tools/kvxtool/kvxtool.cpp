#include "tools/kvxtool/kvxtool.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>

#include "platform/clock.h"
#include "platform/file_io.h"
#include "platform/registry.h"
#include "robot/common/robot_strings.h"
#include "robot/key/descriptions.h"
#include "robot/key/system_icons.h"
#include "robot/key/window_key.h"
#include "robot/profiles/profile_file.h"
#include "robot/profiles/profile_repository.h"
#include "protocol/framing.h"
#include "protocol/messages.h"
#include "tarifex/ansi.h"
#include "tools/kvxtool/profile_compare.h"
#include "tools/kvxtool/report_command.h"

namespace korvex::kvxtool {

namespace {

std::string U8(TextView text) { return ToUtf8(text); }

int Fail(Environment& env, const std::string& message) {
  env.err += "kvxtool: " + message + "\n";
  return kFailure;
}

int UsageError(Environment& env, const std::string& message) {
  env.err += "kvxtool: " + message + "\nUse \"kvxtool --help\" para ver los comandos.\n";
  return kUsage;
}

// Tabs and line breaks inside a field would break the line format.
std::string Field(TextView text) {
  std::string out = U8(text);
  for (char& c : out) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return out;
}

std::unique_ptr<CProfileRepository> OpenStore(Environment& env, int* status) {
  if (env.registry == nullptr) {
    *status = Fail(env, "este comando necesita el registro de Windows (use kvxtool.exe)");
    return nullptr;
  }
  try {
    return std::make_unique<CProfileRepository>(*env.registry);
  } catch (const StoreLoadError& e) {
    *status = Fail(env, "no se pudieron leer los perfiles del registro (error " +
                            std::to_string(e.code()) + ")");
    return nullptr;
  }
}

// One line per entry: the question, the caption and the answer, as the
// answers dialog shows them.
void ShowEntries(const CProfile& profile, Environment& env) {
  const std::vector<Text> keys = profile.GetKeys();
  const std::vector<Text> values = profile.GetValues();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    try {
      const std::unique_ptr<CDossaWindow> dialog = ReadKey(keys[i], values[i]);
      env.out += Field(DescribeQuestion(*dialog)) + "\t" + Field(dialog->GetCaption()) + "\t" +
                 Field(DescribeAnswer(*dialog)) + "\n";
    } catch (const std::exception&) {
      env.out += "(entrada ilegible)\t\t\n";
    }
  }
}

// Reads a whole profile file; false (with the error written) when it cannot
// be read or is larger than any profile file.
bool ReadProfileFileBytes(const Text& path, std::string* content, Environment& env) {
  bool too_large = false;
  if (ReadWholeFile(path, content, kMaxProfileFileBytes, &too_large)) return true;
  if (too_large) {
    Fail(env, U8(LoadRobotString(str::kImportFailed)) + " El archivo tiene más de " +
                  std::to_string(kMaxProfileFileBytes >> 20) + " MiB: " + U8(path));
  } else {
    Fail(env, "no se pudo leer el archivo " + U8(path));
  }
  return false;
}

// Reads a profile file into a temporary repository; false (with the error
// written) when the file cannot be read or would be refused.
bool ReadProfileFile(const Text& path, CProfileRepository& into, ImportResult* result,
                     Environment& env) {
  std::string content;
  if (!ReadProfileFileBytes(path, &content, env)) return false;
  *result = ImportProfiles(into, content);
  if (!result->ok) {
    std::string where = result->error_line > 0 ? "línea " + std::to_string(result->error_line) + ": " : "";
    Fail(env, U8(LoadRobotString(str::kImportFailed)) + " " + where + U8(result->error));
    return false;
  }
  return true;
}

// The named profiles of a repository, or all when none is named; false
// when a name is not there.
bool Choose(const CProfileRepository& repo, const std::vector<Text>& names,
            std::vector<CProfile*>* chosen, Environment& env, const std::string& where) {
  if (names.empty()) {
    *chosen = repo.GetProfiles();
    return true;
  }
  std::set<const CProfile*> seen;  // "A" and "a" name one profile
  for (const Text& name : names) {
    CProfile* profile = repo.FindProfile(name);
    if (profile == nullptr) {
      Fail(env, "no existe el perfil \"" + U8(name) + "\" " + where);
      return false;
    }
    if (seen.insert(profile).second) chosen->push_back(profile);
  }
  return true;
}

int List(const std::vector<Text>& args, Environment& env) {
  if (!args.empty()) return UsageError(env, "list no lleva argumentos");
  int status = kSuccess;
  auto store = OpenStore(env, &status);
  if (!store) return status;
  for (const CProfile* profile : store->GetProfiles()) {
    env.out += Field(profile->GetName()) + "\t" + std::to_string(profile->GetCount()) + "\n";
  }
  return kSuccess;
}

int Show(const std::vector<Text>& args, Environment& env) {
  if (!args.empty() && args[0] == u"--file") {
    if (args.size() < 2 || args.size() > 3) return UsageError(env, "uso: kvxtool show --file ARCHIVO [PERFIL]");
    CProfileRepository file;
    ImportResult result;
    if (!ReadProfileFile(args[1], file, &result, env)) return kFailure;
    std::vector<CProfile*> chosen;
    std::vector<Text> names;
    if (args.size() == 3) names.push_back(args[2]);
    if (!Choose(file, names, &chosen, env, "en el archivo")) return kFailure;
    for (const CProfile* profile : chosen) {
      if (args.size() == 2) env.out += "[" + Field(profile->GetName()) + "]\n";
      ShowEntries(*profile, env);
      for (const SkippedPair& skipped : result.skipped) {
        if (skipped.profile == profile->GetName()) {
          env.out += "(entrada ilegible, línea " + std::to_string(skipped.line) + ")\t\t\n";
        }
      }
    }
    return kSuccess;
  }
  if (args.size() != 1) return UsageError(env, "uso: kvxtool show PERFIL");
  int status = kSuccess;
  auto store = OpenStore(env, &status);
  if (!store) return status;
  const CProfile* profile = store->FindProfile(args[0]);
  if (profile == nullptr) return Fail(env, "no existe el perfil \"" + U8(args[0]) + "\"");
  ShowEntries(*profile, env);
  return kSuccess;
}

int Export(const std::vector<Text>& args, Environment& env) {
  if (args.empty()) return UsageError(env, "uso: kvxtool export ARCHIVO [PERFIL...]");
  int status = kSuccess;
  auto store = OpenStore(env, &status);
  if (!store) return status;
  std::vector<CProfile*> chosen;
  if (!Choose(*store, {args.begin() + 1, args.end()}, &chosen, env, "")) return kFailure;
  // The store may hold a profile under a name no profile may take (written
  // there by another program): such a profile cannot travel in a file, and
  // the export stops before anything is written.
  for (const CProfile* profile : chosen) {
    if (std::optional<Text> problem = ProfileNameProblem(profile->GetName())) {
      return Fail(env, "el perfil \"" + U8(profile->GetName()) + "\" no se puede exportar: " +
                           U8(*problem));
    }
  }
  CProfileRepository temporary;
  for (const CProfile* profile : chosen) temporary.AddCopyOf(*profile);
  const ExportResult exported = ExportProfiles(temporary);
  if (!exported.ok) return Fail(env, U8(exported.error));
  if (!ReplaceFileSafely(args[0], exported.bytes)) {
    return Fail(env, U8(LoadRobotString(str::kExportFailed)) + " " + U8(args[0]));
  }
  for (const CProfile* profile : temporary.GetProfiles()) {
    env.out += Field(profile->GetName()) + "\t" + std::to_string(profile->GetCount()) + "\n";
  }
  return kSuccess;
}

int Import(const std::vector<Text>& args, Environment& env) {
  if (args.empty()) return UsageError(env, "uso: kvxtool import ARCHIVO [PERFIL...]");
  // Everything is read and checked before the store is touched.
  CProfileRepository file;
  ImportResult result;
  if (!ReadProfileFile(args[0], file, &result, env)) return kFailure;
  std::vector<CProfile*> chosen;
  if (!Choose(file, {args.begin() + 1, args.end()}, &chosen, env, "en el archivo")) return kFailure;
  for (const SkippedProfile& skipped : result.skipped_profiles) {
    env.err += "kvxtool: línea " + std::to_string(skipped.line) + ": el perfil \"" +
               U8(skipped.profile) + "\" no se importa: " + U8(skipped.reason) + "\n";
  }
  int status = kSuccess;
  auto store = OpenStore(env, &status);
  if (!store) return status;
  // A profile whose subkey or answers could not be written is in the store
  // only in part, or not at all: the user must know which.
  std::vector<StoreWriteFailure> failures;
  store->SetWriteFailureHandler([&](const StoreWriteFailure& f) { failures.push_back(f); });
  for (const CProfile* profile : chosen) {
    failures.clear();
    const CProfile& copy = store->AddCopyOf(*profile);
    env.out += Field(profile->GetName()) + "\t" + Field(copy.GetName()) + "\t" +
               std::to_string(copy.GetCount()) + "\n";
    if (!failures.empty()) {
      Fail(env, "el perfil \"" + U8(copy.GetName()) + "\" quedó incompleto en el registro: " +
                    std::to_string(failures.size()) + " escrituras fallaron (error " +
                    std::to_string(failures.front().code) + ")");
      status = kFailure;
    }
  }
  return status;
}

int Check(const std::vector<Text>& args, Environment& env) {
  if (args.size() != 1) return UsageError(env, "uso: kvxtool check ARCHIVO");
  std::string content;
  if (!ReadProfileFileBytes(args[0], &content, env)) return kFailure;
  CProfileRepository file;
  const ImportResult result = ImportProfiles(file, content);
  // What the import would pass over, profiles and pairs, in line order.
  std::vector<std::pair<int, std::string>> skipped_lines;
  for (const SkippedProfile& skipped : result.skipped_profiles) {
    skipped_lines.emplace_back(skipped.line, Field(skipped.profile) + "\t" + Field(skipped.reason));
  }
  for (const SkippedPair& skipped : result.skipped) {
    skipped_lines.emplace_back(skipped.line, Field(skipped.profile) + "\t" + Field(skipped.reason));
  }
  std::stable_sort(skipped_lines.begin(), skipped_lines.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [line, text] : skipped_lines) {
    env.out += "línea " + std::to_string(line) + "\t" + text + "\n";
  }
  if (!result.ok) {
    env.out += "rechazado";
    if (result.error_line > 0) env.out += "\tlínea " + std::to_string(result.error_line);
    env.out += "\t" + Field(result.error) + "\n";
    return kFailure;
  }
  std::size_t entries = 0;
  for (const CProfile* profile : file.GetProfiles()) entries += profile->GetCount();
  env.out += "aceptado\t" + std::to_string(file.GetProfiles().size()) + " perfiles\t" +
             std::to_string(entries) + " entradas\t" + std::to_string(result.skipped.size()) +
             " omitidas";
  if (!result.skipped_profiles.empty()) {
    env.out += "\t" + std::to_string(result.skipped_profiles.size()) + " perfiles omitidos";
  }
  env.out += "\n";
  return kSuccess;
}

// Parses a decimal number that must lie in [low, high].
bool ParseNumber(const Text& text, long long low, long long high, long long* value) {
  if (text.empty() || text.size() > 11) return false;
  long long n = 0;
  std::size_t i = 0;
  const bool negative = text[0] == u'-';
  if (negative) ++i;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
    n = n * 10 + (text[i] - u'0');
  }
  if (negative) n = -n;
  if (n < low || n > high) return false;
  *value = n;
  return true;
}

int Ask(const std::vector<Text>& all, Environment& env) {
  const char* usage =
      "uso: kvxtool ask [--item N] [--port P] message|yesno TEXTO [TÍTULO [TIPO]] | "
      "text NOMBRE | options OPCIÓN...";
  long long item = 1;
  long long port = protocol::kRobotPort;
  std::size_t i = 0;
  while (i < all.size() && (all[i] == u"--item" || all[i] == u"--port")) {
    long long* target = all[i] == u"--item" ? &item : &port;
    const long long high = all[i] == u"--item" ? 9999 : 65535;
    if (i + 1 >= all.size() || !ParseNumber(all[i + 1], 1, high, target)) return UsageError(env, usage);
    i += 2;
  }
  if (i >= all.size()) return UsageError(env, usage);
  const Text kind = all[i];
  const std::vector<Text> args(all.begin() + static_cast<std::ptrdiff_t>(i) + 1, all.end());

  // The robot is asked what the tariff control would ask, through the
  // protocol's own messages; the control's texts are 8-bit, so what they
  // cannot hold is asked (and read back) as the control would have it.
  const auto ask = [&](auto request, auto& response) {
    request.item = static_cast<std::int32_t>(item);
    SystemClock system_clock;
    Clock& clock = env.clock != nullptr ? *env.clock : system_clock;
    protocol::CBuffer out;
    protocol::CBuffer in;
    return protocol::EncodeRequest(request, clock, out) &&
           protocol::Exchange(static_cast<std::uint16_t>(port), out, in) &&
           protocol::DecodeResponse(in, clock, response);
  };
  const auto control_text = [](TextView text) { return tarifex::FromAnsi(tarifex::ToAnsi(text)); };
  auto none = [&env] {
    env.out += "sin respuesta\n";
    return kNoAnswer;
  };

  if (kind == u"message" || kind == u"yesno") {
    if (args.empty() || args.size() > 3) return UsageError(env, usage);
    const bool yesno = kind == u"yesno";
    const Text caption = args.size() >= 2 ? args[1] : Text(yesno ? u"Pregunta del tarifex" : u"Mensaje al declarante");
    long long type = yesno ? 0x24 : 0x40;  // MB_YESNO | MB_ICONQUESTION; MB_ICONINFORMATION
    if (args.size() == 3 && !ParseNumber(args[2], 0, 0x7FFFFFFF, &type)) return UsageError(env, usage);
    const Text text = control_text(args[0]);
    const Text control_caption = control_text(caption);
    if (!yesno) {
      protocol::MensajeAlDespachanteResponse response;
      if (!ask(protocol::MensajeAlDespachanteRequest{.text = text, .caption = control_caption,
                                                      .type = static_cast<std::int32_t>(type)},
               response) ||
          response.acknowledged == 0) {
        return none();
      }
      env.out += "mensaje aceptado\n";
      return kSuccess;
    }
    protocol::PreguntaSiNoResponse response;
    if (!ask(protocol::PreguntaSiNoRequest{.text = text, .caption = control_caption,
                                           .type = static_cast<std::int32_t>(type)},
             response) ||
        response.acknowledged == 0 || !protocol::IsYesOrNo(response.answer)) {
      return none();
    }
    env.out += std::to_string(response.answer) + "\n";
    return kSuccess;
  }
  if (kind == u"text") {
    if (args.size() != 1) return UsageError(env, usage);
    protocol::PreguntaTextoResponse response;
    if (!ask(protocol::PreguntaTextoRequest{.name = control_text(args[0])}, response) ||
        response.acknowledged == 0) {
      return none();
    }
    env.out += Field(control_text(response.value)) + "\n";
    return kSuccess;
  }
  if (kind == u"options") {
    if (args.empty() || args.size() > 65535) return UsageError(env, usage);
    protocol::PreguntaOpcionesRequest request;
    for (const Text& option : args) request.options.push_back(control_text(option));
    protocol::PreguntaOpcionesResponse response;
    if (!ask(request, response) ||
        !protocol::IsOptionsAnswer(response.answerid,
                                   static_cast<std::int32_t>(request.options.size()))) {
      return none();
    }
    env.out += std::to_string(response.answerid) + "\n";
    return kSuccess;
  }
  return UsageError(env, usage);
}

}  // namespace

std::string Help() {
  return "kvxtool: perfiles de KORVEX desde la línea de comandos\n"
         "\n"
         "uso:\n"
         "  kvxtool list                          los perfiles del registro\n"
         "  kvxtool show PERFIL                   las respuestas de un perfil del registro\n"
         "  kvxtool show --file ARCHIVO [PERFIL]  las respuestas de un archivo de perfiles\n"
         "  kvxtool export ARCHIVO [PERFIL...]    exporta todos los perfiles, o los nombrados\n"
         "  kvxtool import ARCHIVO [PERFIL...]    importa todos los perfiles del archivo, o los nombrados\n"
         "  kvxtool check ARCHIVO                 revisa un archivo como lo haría la importación\n"
         "  kvxtool ask [--item N] [--port P] message TEXTO [TÍTULO [TIPO]]\n"
         "  kvxtool ask [--item N] [--port P] yesno TEXTO [TÍTULO [TIPO]]\n"
         "  kvxtool ask [--item N] [--port P] text NOMBRE\n"
         "  kvxtool ask [--item N] [--port P] options OPCIÓN...\n"
         "                                        pregunta al robot en marcha lo mismo que el\n"
         "                                        control tarifario, como en el ítem N (1 si no se\n"
         "                                        indica); --port sólo para pruebas; TIPO es el\n"
         "                                        de la caja de mensajes, en decimal (64 y 36 si no\n"
         "                                        se indica); TÍTULO: \"Mensaje al declarante\" y\n"
         "                                        \"Pregunta del tarifex\" si no se indica\n"
         "  kvxtool report [CARPETA...] [-o ARCHIVO.html] [--desde FECHA] [--hasta FECHA]\n"
         "                 [--segundos N] [--abrir]\n"
         "                                        el informe de las validaciones, una página HTML,\n"
         "                                        de los registros del robot en las carpetas (sin\n"
         "                                        CARPETA: la configurada en el robot); FECHA es\n"
         "                                        DD/MM/AAAA o AAAA-MM-DD; N, los segundos que una\n"
         "                                        persona tarda en responder (8 si no se indica);\n"
         "                                        sin -o la página va a la salida, o con --abrir a\n"
         "                                        \"Informe de validaciones.html\" en Documentos,\n"
         "                                        y --abrir la abre en el navegador\n"
         "  kvxtool diff A B [--profile PERFIL] [--tsv]\n"
         "                                        compara los perfiles de A y B, archivos de\n"
         "                                        perfiles o --store (el registro)\n"
         "  kvxtool merge -o SALIDA A B [--prefer a|b]\n"
         "                                        une los perfiles de A y B en el archivo SALIDA;\n"
         "                                        --prefer decide las respuestas distintas\n"
         "  kvxtool --help | -h                   esta ayuda\n"
         "\n"
         "Salida (texto UTF-8, un renglón por elemento, campos separados por tabuladores):\n"
         "  list     NOMBRE <tab> ENTRADAS\n"
         "  show     PREGUNTA <tab> TÍTULO <tab> RESPUESTA; una entrada que no se puede leer\n"
         "           aparece como \"(entrada ilegible)\"; con --file y sin PERFIL cada perfil\n"
         "           empieza con un renglón \"[NOMBRE]\"\n"
         "  export   NOMBRE <tab> ENTRADAS por cada perfil escrito\n"
         "  import   NOMBRE EN EL ARCHIVO <tab> NOMBRE CREADO <tab> ENTRADAS; un nombre en uso\n"
         "           (también con otras mayúsculas) recibe el siguiente libre, \"A (1)\",\n"
         "           \"A (2)\"...; un perfil cuyo nombre no se puede guardar se omite con un\n"
         "           aviso en la salida de error\n"
         "  check    \"línea N <tab> PERFIL <tab> MOTIVO\" por cada perfil o par que se\n"
         "           omitiría, y al final \"aceptado <tab> P perfiles <tab> E entradas <tab>\n"
         "           O omitidas [<tab> Q perfiles omitidos]\" o\n"
         "           \"rechazado [<tab> línea N] <tab> MOTIVO\"\n"
         "  ask      \"mensaje aceptado\"; 6 (sí) o 7 (no); el valor; el número de la opción\n"
         "           (-1 ninguna, -999 cancelar el tratamiento); o \"sin respuesta\" con estado 3\n"
         "  report   con -o: \"ARCHIVO <tab> E ejecuciones <tab> D diálogos <tab> N no leídos\"; se\n"
         "           leen los archivos nombrados como los registros del robot\n"
         "           (AAMMDD_HHMMSS_IDENT.csv); cada uno que no se puede leer se nombra en el\n"
         "           informe y en la salida de error; una carpeta que no se puede leer es una\n"
         "           falla y no se escribe nada\n"
         "  diff     \"A: ...\", \"B: ...\", y por perfil: \"Perfil \"NOMBRE\": igual\" o sus\n"
         "           diferencias, cada diálogo con su pregunta, su título y las respuestas de A\n"
         "           y de B; con --tsv un renglón por diferencia: ESTADO <tab> PERFIL <tab>\n"
         "           PREGUNTA <tab> TÍTULO <tab> RESPUESTA A <tab> RESPUESTA B, ESTADO uno de\n"
         "           perfil_solo_a, perfil_solo_b, solo_a, solo_b, distinta; estado de salida\n"
         "           0 iguales, 1 distintos, 2 error\n"
         "  merge    \"conflicto <tab> PERFIL <tab> PREGUNTA <tab> TÍTULO <tab> RESPUESTA A <tab>\n"
         "           RESPUESTA B [<tab> se toma A|B]\" por cada diálogo respondido distinto, y\n"
         "           \"perfil <tab> NOMBRE <tab> ENTRADAS\" por cada perfil escrito; sin --prefer\n"
         "           un conflicto detiene la unión y no se escribe nada (estado 1)\n"
         "  Los diálogos se comparan como los compara el robot: una clave guardada por una\n"
         "  versión anterior y la misma clave escrita hoy son el mismo diálogo.\n"
         "\n"
         "Estado de salida: 0 éxito, 1 falla (mensaje en la salida de error), 2 uso incorrecto,\n"
         "3 el robot no tiene respuesta (ask).\n"
         "Una importación rechazada no cambia ningún perfil; una cuyo registro falló termina\n"
         "con estado 1 y nombra cada perfil que quedó incompleto.  Un archivo de más de\n"
         "64 MiB se rechaza sin leerlo.\n";
}

namespace {

int RunCommand(const std::vector<Text>& args, Environment& env) {
  // An icon of a stored key is told apart by comparing its value with the
  // process's system icons, which are known only once loaded.
  if (env.windows != nullptr) SetSystemIcons(LoadSystemIcons(*env.windows));
  if (args.empty()) return UsageError(env, "falta el comando");
  const Text& command = args[0];
  const std::vector<Text> rest(args.begin() + 1, args.end());
  if (command == u"--help" || command == u"-h") {
    env.out += Help();
    return kSuccess;
  }
  if (command == u"list") return List(rest, env);
  if (command == u"show") return Show(rest, env);
  if (command == u"export") return Export(rest, env);
  if (command == u"import") return Import(rest, env);
  if (command == u"check") return Check(rest, env);
  if (command == u"ask") return Ask(rest, env);
  if (command == u"report") return Report(rest, env);
  if (command == u"diff") return Diff(rest, env);
  if (command == u"merge") return Merge(rest, env);
  return UsageError(env, "comando desconocido: " + U8(command));
}

}  // namespace

int Run(const std::vector<Text>& args, Environment& env) {
  // Whatever a command did not foresee ends in a message and status 1,
  // never in an abort without a word.
  try {
    return RunCommand(args, env);
  } catch (const ProfileError& e) {
    return Fail(env, U8(e.message()));
  } catch (const std::exception& e) {
    return Fail(env, std::string("error inesperado: ") + e.what());
  }
}

}  // namespace korvex::kvxtool
