#include "robot/common/robot_strings.h"

#include <cstdio>
#include <map>
#include <string>

namespace korvex {

namespace {

const std::map<int, const char16_t*>& Table() {
  static const std::map<int, const char16_t*> kTable = {
      {str::kEndedWithActions,
       u"El robot finalizó su operación habiendo acciones automáticas y/o manuales. Por favor "
       u"verifique los mensajes obtenidos y las acciones realizadas."},
      {str::kAutomatic, u"Automática"},
      {str::kValidationDetected,
       u"Se ha detectado la Validación total de items.\nPulse con el botón derecho del ratón en "
       u"el ícono del robot para seleccionar o crear un perfil de automatización."},
      {str::kManual, u"Manual"},
      {str::kRobotActive, u"Robot activo.\r\nSe encuentra seleccionado el perfil \"%1\"."},
      {str::kProfileActivated, u"Se ha activado el perfil \"%1\""},
      {str::kDisconnected, u"El robot ha sido desconectado de la validación total de ítems."},
      {str::kValidationEnded, u"La validación total de ítems ha concluído."},
      {str::kValidatingItem, u"Validando Item#%1!04d! usando el perfil \"%2\"."},
      {str::kNoLogFile, u"(no se ha podido generar un archivo de log)"},
      {str::kHeaderItem, u"Item #"},
      {str::kHeaderAction, u"Tipo de acción"},
      {str::kHeaderAnswerType, u"Tipo de respuesta"},
      {str::kHeaderQuestion, u"Pregunta o mensaje"},
      {str::kHeaderAnswer, u"Respuesta"},
      {str::kMessage, u"Mensaje"},
      {str::kQuestion, u"Pregunta"},
      {str::kImportFailed, u"Error al intentar importar los perfiles del archivo dado."},
      {str::kSelectToImport, u"Seleccione los perfiles a importar"},
      {str::kSelectToExport, u"Seleccione los perfiles a exportar"},
      {str::kSelectOneToImport, u"¡Debe seleccionar al menos un perfil a importar!"},
      {str::kSelectOneToExport, u"¡Debe seleccionar al menos un perfil a exportar!"},
      {str::kImportDone, u"Importación realizada con éxito"},
      {str::kExportDone, u"Exportación realizada con éxito"},
      {str::kExportFailed, u"Error al intentar escribir en el archivo dado."},
      {str::kTrayIdleTip, u"Automatizar la Validación total de Items"},
      {str::kMainFrameCaption, u"PILOTEK_MAIN_FRAME"},
      {str::kStoreWriteFailed,
       u"No se pudo guardar en el registro una respuesta del perfil \"%1\" (error %2: %3). La "
       u"respuesta no quedó guardada."},
      {str::kStoreLoadFailed,
       u"No se pudieron leer todos los perfiles guardados en el registro (error %1: %2).\r\nEl "
       u"robot sigue funcionando con los perfiles que pudo leer y no modificará los que no pudo "
       u"leer."},
      {str::kStoreTitle, u"Perfiles de KORVEX"},
      {str::kProgramName, u"KORVEX"},
      {str::kConfigSaveFailed,
       u"No se pudo guardar toda la configuración en el registro. Los valores que no se "
       u"guardaron conservan su valor anterior."},
      {str::kQueryPortTaken,
       u"El puerto %1 de esta computadora está ocupado por otro programa o por el robot de otra "
       u"sesión (error %2). El robot atiende al control tarifario de esta sesión en el puerto %3."},
      {str::kQueryServiceDown,
       u"El robot no puede atender las consultas del control tarifario (error %1). El control "
       u"preguntará al usuario cada vez."},
      {str::kQueryServiceTitle, u"Consultas del control tarifario"},
      {str::kManualFile, u"KORVEX.html"},
  };
  return kTable;
}

}  // namespace

Text LoadRobotString(int id) {
  const auto& table = Table();
  auto it = table.find(id);
  return it == table.end() ? Text{} : Text(it->second);
}

const std::vector<int>& RobotStringIds() {
  static const std::vector<int> ids = [] {
    std::vector<int> out;
    for (const auto& [id, text] : Table()) out.push_back(id);
    return out;
  }();
  return ids;
}

namespace {

// Applies a printf-style specifier ("04d", "s", "x") to one insert.
Text FormatInsert(const MessageArg& arg, const std::string& directive) {
  if (const Text* text = std::get_if<Text>(&arg)) return *text;
  const std::int64_t number = std::get<std::int64_t>(arg);
  if (directive.empty() || directive.back() == 's') return FromUtf8(std::to_string(number));
  // Only flags, width and the conversions d, i, u, x and X are taken.
  for (char c : directive.substr(0, directive.size() - 1)) {
    if (!(c == '-' || c == '0' || c == ' ' || c == '+' || (c >= '1' && c <= '9'))) {
      return FromUtf8(std::to_string(number));
    }
  }
  const char conversion = directive.back();
  if (conversion != 'd' && conversion != 'i' && conversion != 'u' && conversion != 'x' &&
      conversion != 'X') {
    return FromUtf8(std::to_string(number));
  }
  const std::string format = "%" + directive.substr(0, directive.size() - 1) + "ll" + conversion;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format.c_str(), static_cast<long long>(number));
  return FromUtf8(buffer);
}

}  // namespace

Text FormatMessageText(TextView pattern, const std::vector<MessageArg>& args) {
  Text out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c != u'%' || i + 1 >= pattern.size()) {
      out.push_back(c);
      continue;
    }
    const char16_t next = pattern[i + 1];
    if (next == u'0') return out;
    if (next == u'n') {
      out += u"\r\n";
      ++i;
      continue;
    }
    if (next < u'1' || next > u'9') {
      out.push_back(next);  // %% %. %! and the like give the character
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    std::size_t index = 0;
    while (j < pattern.size() && IsDigit(pattern[j]) && j < i + 3) {
      index = index * 10 + (pattern[j] - u'0');
      ++j;
    }
    std::string directive;
    if (j < pattern.size() && pattern[j] == u'!') {
      const std::size_t end = pattern.find(u'!', j + 1);
      if (end != TextView::npos) {
        directive = ToUtf8(pattern.substr(j + 1, end - j - 1));
        j = end + 1;
      }
    }
    if (index == 0 || index > args.size()) {
      out.append(pattern.substr(i, j - i));
    } else {
      out += FormatInsert(args[index - 1], directive);
    }
    i = j - 1;
  }
  return out;
}

}  // namespace korvex
