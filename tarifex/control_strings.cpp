#include "tarifex/control_strings.h"

#include <map>

#include "platform/text.h"

namespace korvex::tarifex {

namespace {

// The table is written in UTF-8 here and handed out in the control's code
// page; every text keeps to Latin-1, where Windows-1252 has the same bytes.
const std::map<int, std::string_view>& Table() {
  static const std::map<int, std::string_view> kTable = {
      {ids::kDispatcher, "DISPATCHER"},
      {ids::kActionUnknown, "ACTION UNKNOWN"},
      {ids::kAllocationFailure, "ALLOCATION FAILURE"},
      {ids::kMessageParsing, "MESSAGE PARSING"},
      {1028, "SYNTAX ERROR"},
      {1029, "IDENTIFIER UNKNOWN"},
      {1030, "DUPLICATE IDENTIFIER"},
      {1031, "ERRONEOUS MODE"},
      {1032, "TOO MANY FIELDS"},
      {1033, "TOO MANY LINES"},
      {1034, "BAD END OF MESSAGE"},

      // Spanish.
      {2050, "Presupuesto Disponible"},
      {2051, "ATENCION"},
      {2052, "ERROR : La fecha es un dato primordial para el tratamiento y no fue enviada..."},
      {2053, "Problemas para abrir sesion con "},
      {2054, "Problema para enviar mensaje"},
      {2055, "Problema para recibir mensaje"},
      {2056, "Pregunta del tarifex"},
      {2057, "Mensaje al declarante"},
      {2058, "La ejecucion del tarifex ha sido cancelada por el usuario!!!"},
      {2059,
       "Se producido el siguiento error interno en la aplicacion : HOST - %s - %s / Error trace "
       "id = %s"},
      {2060, "Error Interno"},
      {2061, "Resulta imposible continuar con el tratamiento..."},
      {2062, "Se ha producido el siguiento error interno en la aplicacion : PC - %s - %s "},
      {2065, "No se pudo abrir el archivo de trazas %s"},
      {2068, "ventajas = %s"},
      {2069, "%s %s\nError Nº :[%d]\nFuncion: %s\nError: %s\nCausa: %s"},
      {2070, "Listas chequeadas y utilizadas por el tarifex :"},
      {2071, "Listas chequeadas pero no utilizadas por el tarifex :"},
      {2072, "Reglas evaluadas y no ejecutadas por el tarifex :"},
      {2073, "Titulo - Status - Ident. :"},
      {2074, "Reglas ejecutadas por el tarifex  :"},
      {2075, "Titulo - Status - Ident. :"},
      {2076, "EJECUTADA"},
      {2077, "ALGUNA COND. FALSA"},
      {2078, "NO FUE CONSIDERADA"},
      {2080, "SI"},
      {2081, "NO"},
      {2087, "Datos complementarios:"},
      {2088, "Sufijos:"},
      {2089, "Documentos:"},
      {2090, "Posiciones:"},
      {2091, "Mensajes generales:"},
      {2092, "Marcas y descripciones:"},
      {2093, "Reglas:"},
      {2094, "Mensajes:"},
      {2095, "Modelos:"},
      {2096, "Cupos:"},
      {2097, "Solicitudes:"},
      {2098, "Beneficios:"},
      {2099, "Liquidación:"},
      // The about box; the question dialogs' Spanish texts are in
      // DialogTexts.
      {ids::kAboutCaption, "Acerca de TARIFEX"},
      {ids::kAboutText, "TARIFEX.OCX, control de tarifas del despacho. Versión 1.0"},
      {ids::kAboutClose, "Aceptar"},

      // French.
      {3050, "Budget disponible"},
      {3051, "ATTENTION"},
      {3052,
       "ERREUR : La date est une donnée essentielle pour le traitement et n'a pas été "
       "envoyée..."},
      {3053, "Problèmes pour ouvrir la session avec "},
      {3054, "Problème pour envoyer le message"},
      {3055, "Problème pour recevoir le message"},
      {3056, "Question du tarifex"},
      {3057, "Message au déclarant"},
      {3058, "L'exécution du tarifex a été annulée par l'utilisateur!!!"},
      {3059,
       "Une erreur interne s'est produite dans l'application : HOST - %s - %s / Error trace id "
       "= %s"},
      {3060, "Erreur interne"},
      {3061, "Impossible de continuer le traitement..."},
      {3062, "Une erreur interne s'est produite dans l'application : PC - %s - %s "},
      {3065, "Impossible d'ouvrir le fichier de traces %s"},
      {3068, "avantages = %s"},
      {3069, "%s %s\nErreur Nº :[%d]\nFonction: %s\nErreur: %s\nCause: %s"},
      {3070, "Listes vérifiées et utilisées par le tarifex :"},
      {3071, "Listes vérifiées mais non utilisées par le tarifex :"},
      {3072, "Règles évaluées et non exécutées par le tarifex :"},
      {3073, "Titre - Statut - Ident. :"},
      {3074, "Règles exécutées par le tarifex  :"},
      {3075, "Titre - Statut - Ident. :"},
      {3076, "EXÉCUTÉE"},
      {3077, "UNE COND. FAUSSE"},
      {3078, "NON CONSIDÉRÉE"},
      {3080, "OUI"},
      {3081, "NON"},
      {3087, "Données complémentaires:"},
      {3088, "Suffixes:"},
      {3089, "Documents:"},
      {3090, "Positions:"},
      {3091, "Messages généraux:"},
      {3092, "Marques et descriptions:"},
      {3093, "Règles:"},
      {3094, "Messages:"},
      {3095, "Modèles:"},
      {3096, "Contingents:"},
      {3097, "Demandes:"},
      {3098, "Avantages:"},
      {3099, "Liquidation:"},
      {ids::kDataInputCaption + kFrenchOffset, "Saisie d'une donnée complémentaire"},
      {ids::kDataInputNotice + kFrenchOffset,
       "Le tarifex a détecté l'utilisation d'une donnée complémentaire non spécifiée dans la "
       "déclaration !"},
      {ids::kDataInputPrompt + kFrenchOffset, "Veuillez saisir la valeur de %s :"},
      {ids::kAcceptValue + kFrenchOffset, "Valider la saisie"},
      {ids::kEndTreatment + kFrenchOffset, "Terminer le traitement"},
      {ids::kOptionsCaption + kFrenchOffset, "Sélection d'une option"},
      {ids::kSelectOptionButton + kFrenchOffset, "Sélectionner l'option marquée"},
      {ids::kSelectNoneButton + kFrenchOffset, "Ne sélectionner aucune"},
      {ids::kCancelTreatmentButton + kFrenchOffset, "Annuler le traitement"},
      {ids::kAboutCaption + kFrenchOffset, "À propos de TARIFEX"},
      {ids::kAboutText + kFrenchOffset,
       "TARIFEX.OCX, contrôle tarifaire de la déclaration. Version 1.0"},
      {ids::kAboutClose + kFrenchOffset, "OK"},
  };
  return kTable;
}

// The Spanish texts of the question dialogs: their definition's.
const std::map<int, std::u16string_view>& DialogTexts() {
  static const std::map<int, std::u16string_view> kTexts = [] {
    std::map<int, std::u16string_view> texts;
    for (const DialogText& text :
         {data_input::kCaption, data_input::kNotice, data_input::kPrompt, data_input::kAccept,
          data_input::kEnd, options::kCaption, options::kSelect, options::kSelectNone,
          options::kCancel}) {
      texts.emplace(text.id, text.spanish);
    }
    return texts;
  }();
  return kTexts;
}

std::string ToControlCodePage(TextView text) {
  std::string out;
  out.reserve(text.size());
  for (const char16_t c : text) out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  return out;
}

void AppendNumber(std::string& out, const TextArg& arg) {
  if (const long long* number = std::get_if<long long>(&arg)) {
    out += std::to_string(*number);
  } else {
    out += std::get<std::string_view>(arg);
  }
}

}  // namespace

std::string LoadControlStringById(int id) {
  const auto& dialog_texts = DialogTexts();
  if (const auto it = dialog_texts.find(id); it != dialog_texts.end()) {
    return ToControlCodePage(it->second);
  }
  const auto& table = Table();
  const auto it = table.find(id);
  return it == table.end() ? std::string() : ToControlCodePage(FromUtf8(it->second));
}

std::string LoadControlString(int id, std::int16_t lang) {
  return LoadControlStringById(id >= 2000 && lang == kLangFrench ? id + kFrenchOffset : id);
}

std::string FormatControlText(std::string_view pattern, std::initializer_list<TextArg> args) {
  std::string out;
  const TextArg* next = args.begin();
  auto take = [&]() -> const TextArg* { return next != args.end() ? next++ : nullptr; };
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 >= pattern.size()) {
      out += pattern[i];
      continue;
    }
    std::size_t j = i + 1;
    if (pattern[j] == '%') {
      out += '%';
      i = j;
      continue;
    }
    if (pattern[j] == 'l' && j + 1 < pattern.size()) ++j;
    const char conversion = pattern[j];
    if (conversion == 's' || conversion == 'd' || conversion == 'i' || conversion == 'c') {
      if (const TextArg* arg = take()) {
        if (conversion == 'c') {
          const auto* text = std::get_if<std::string_view>(arg);
          if (text != nullptr && !text->empty()) out += text->front();
        } else {
          AppendNumber(out, *arg);
        }
      }
      i = j;
      continue;
    }
    out += pattern[i];
  }
  return out;
}

}  // namespace korvex::tarifex
