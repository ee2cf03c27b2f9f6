// Serializers: one small stateless object per serialized class that writes an
// instance into a window key or an answer list, reads one back, and describes
// it in Spanish for the journal, the reports and the profile dialogs.
//
// Two families, each a template over the serialized class with a common
// interface that the registries hold:
//   - CMetaSerializer<T> for the controls of the window model (the child
//     records of a window key);
//   - CInteractionSerializer<T> for the interactions (the records of an
//     answer list).
// Writing, reading and describing look the serializer up by the literal class
// name ("class CMetaButton", "class CPutText", ...) and never switch on
// types.  A serializer always writes, and on reading accepts only, the name
// of its own base class: "class CMetaButton", never "class CMetaButtonEx".
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "platform/text.h"
#include "robot/capture/interaction.h"
#include "robot/capture/meta_window.h"
#include "robot/key/field_stream.h"
#include "robot/key/string_to_safe_ptr_map.h"

namespace korvex {

// --- controls -----------------------------------------------------------------

class CMetaSerializerBase {
 public:
  virtual ~CMetaSerializerBase() = default;
  // The class name written and accepted, "class " + the base class name.
  virtual std::u16string_view ClassName() const = 0;
  // Appends the child record: the class name and the control's fields, each
  // followed by "|".  The control must be of the serialized class
  // (std::invalid_argument otherwise).
  virtual void Write(const CMetaWindow& control, Text& out) const = 0;
  // Appends the control's description.
  virtual void Describe(const CMetaWindow& control, Text& out) const = 0;
  // Reads one child record into a new Ex control.  Returns null when the
  // record's class token is not ClassName(); a malformed field raises
  // RecognitionError with the reader's failure code.
  virtual std::unique_ptr<CMetaWindow> Read(FieldReader& in) const = 0;
};

template <class T>
class CMetaSerializer : public CMetaSerializerBase {
 public:
  void Write(const CMetaWindow& control, Text& out) const final {
    AppendField(out, ClassName());
    WriteFields(Cast(control), out);
  }
  void Describe(const CMetaWindow& control, Text& out) const final {
    DescribeFields(Cast(control), out);
  }
  std::unique_ptr<CMetaWindow> Read(FieldReader& in) const final {
    if (in.ReadToken() != ClassName()) return nullptr;
    return ReadFields(in);
  }

 protected:
  virtual void WriteFields(const T& control, Text& out) const = 0;
  virtual void DescribeFields(const T& control, Text& out) const = 0;
  virtual std::unique_ptr<CMetaWindow> ReadFields(FieldReader& in) const = 0;

 private:
  const T& Cast(const CMetaWindow& control) const {
    const T* typed = dynamic_cast<const T*>(&control);
    if (typed == nullptr) {
      throw std::invalid_argument("a " + ToUtf8(control.RuntimeClassName()) +
                                  " given to the serializer of " + ToUtf8(ClassName()));
    }
    return *typed;
  }
};

class CMetaButtonSerializer final : public CMetaSerializer<CMetaButton> {
 public:
  std::u16string_view ClassName() const override { return u"class CMetaButton"; }

 protected:
  void WriteFields(const CMetaButton& button, Text& out) const override;
  void DescribeFields(const CMetaButton& button, Text& out) const override;
  std::unique_ptr<CMetaWindow> ReadFields(FieldReader& in) const override;
};

class CMetaTextSerializer final : public CMetaSerializer<CTextWindow> {
 public:
  std::u16string_view ClassName() const override { return u"class CTextWindow"; }

 protected:
  void WriteFields(const CTextWindow& text, Text& out) const override;
  void DescribeFields(const CTextWindow& text, Text& out) const override;
  std::unique_ptr<CMetaWindow> ReadFields(FieldReader& in) const override;
};

class CMetaEditSerializer final : public CMetaSerializer<CMetaEdit> {
 public:
  std::u16string_view ClassName() const override { return u"class CMetaEdit"; }

 protected:
  void WriteFields(const CMetaEdit& edit, Text& out) const override;
  void DescribeFields(const CMetaEdit& edit, Text& out) const override;
  std::unique_ptr<CMetaWindow> ReadFields(FieldReader& in) const override;
};

class CMetaListSerializer final : public CMetaSerializer<CMetaList> {
 public:
  std::u16string_view ClassName() const override { return u"class CMetaList"; }

 protected:
  void WriteFields(const CMetaList& list, Text& out) const override;
  void DescribeFields(const CMetaList& list, Text& out) const override;
  std::unique_ptr<CMetaWindow> ReadFields(FieldReader& in) const override;
};

class CMetaIconSerializer final : public CMetaSerializer<CIconWindow> {
 public:
  std::u16string_view ClassName() const override { return u"class CIconWindow"; }

 protected:
  void WriteFields(const CIconWindow& icon, Text& out) const override;
  void DescribeFields(const CIconWindow& icon, Text& out) const override;
  std::unique_ptr<CMetaWindow> ReadFields(FieldReader& in) const override;
};

// --- interactions -----------------------------------------------------------------

class CInteractionSerializerBase {
 public:
  virtual ~CInteractionSerializerBase() = default;
  virtual std::u16string_view ClassName() const = 0;
  // Appends the record: the class name and the interaction's fields.
  virtual void Write(const CUserInteraction& interaction, Text& out) const = 0;
  // Appends the description of the interaction answering `target`; nothing
  // when the target is of a kind the interaction cannot act on.
  virtual void Describe(const CUserInteraction& interaction, const CMetaWindow& target,
                        Text& out) const = 0;
  // Reads one record into a new interaction; null when the class token is
  // not ClassName().
  virtual std::unique_ptr<CUserInteraction> Read(FieldReader& in) const = 0;
  // Whether an interaction of this class can answer `target`: a press only a
  // button, a typed text only an edit, a selection only a list box, the null
  // interaction anything.  The same pairing rule as Perform.
  virtual bool CanAnswer(const CMetaWindow& target) const = 0;
};

template <class T>
class CInteractionSerializer : public CInteractionSerializerBase {
 public:
  void Write(const CUserInteraction& interaction, Text& out) const final {
    AppendField(out, ClassName());
    WriteFields(Cast(interaction), out);
  }
  void Describe(const CUserInteraction& interaction, const CMetaWindow& target,
                Text& out) const final {
    DescribeFields(Cast(interaction), target, out);
  }
  std::unique_ptr<CUserInteraction> Read(FieldReader& in) const final {
    if (in.ReadToken() != ClassName()) return nullptr;
    return ReadFields(in);
  }

 protected:
  virtual void WriteFields(const T&, Text&) const {}
  virtual void DescribeFields(const T& interaction, const CMetaWindow& target,
                              Text& out) const = 0;
  virtual std::unique_ptr<CUserInteraction> ReadFields(FieldReader& in) const = 0;

 private:
  const T& Cast(const CUserInteraction& interaction) const {
    const T* typed = dynamic_cast<const T*>(&interaction);
    if (typed == nullptr) {
      throw std::invalid_argument("a " + ToUtf8(interaction.RuntimeClassName()) +
                                  " given to the serializer of " + ToUtf8(ClassName()));
    }
    return *typed;
  }
};

class CNullInteractionSerializer final : public CInteractionSerializer<CNullInteraction> {
 public:
  std::u16string_view ClassName() const override { return u"class CNullInteraction"; }
  bool CanAnswer(const CMetaWindow&) const override { return true; }

 protected:
  void DescribeFields(const CNullInteraction&, const CMetaWindow&, Text&) const override {}
  std::unique_ptr<CUserInteraction> ReadFields(FieldReader& in) const override;
};

class CPressButtonSerializer final : public CInteractionSerializer<CPressButton> {
 public:
  std::u16string_view ClassName() const override { return u"class CPressButton"; }
  bool CanAnswer(const CMetaWindow& target) const override;

 protected:
  void DescribeFields(const CPressButton&, const CMetaWindow& target, Text& out) const override;
  std::unique_ptr<CUserInteraction> ReadFields(FieldReader& in) const override;
};

class CPutTextSerializer final : public CInteractionSerializer<CPutText> {
 public:
  std::u16string_view ClassName() const override { return u"class CPutText"; }
  bool CanAnswer(const CMetaWindow& target) const override;

 protected:
  void WriteFields(const CPutText& put, Text& out) const override;
  void DescribeFields(const CPutText& put, const CMetaWindow& target, Text& out) const override;
  std::unique_ptr<CUserInteraction> ReadFields(FieldReader& in) const override;
};

class CItemSelectSerializer final : public CInteractionSerializer<CItemSelect> {
 public:
  std::u16string_view ClassName() const override { return u"class CItemSelect"; }
  bool CanAnswer(const CMetaWindow& target) const override;

 protected:
  void WriteFields(const CItemSelect& select, Text& out) const override;
  // A negative index (nothing marked) is "Ninguna opción marcada".  Throws
  // std::invalid_argument when the index lies beyond a rebuilt list's items:
  // the description under way is abandoned.
  void DescribeFields(const CItemSelect& select, const CMetaWindow& target,
                      Text& out) const override;
  std::unique_ptr<CUserInteraction> ReadFields(FieldReader& in) const override;
};

// --- registries ---------------------------------------------------------------------

// Built on first use (thread-safe), never changed afterwards.  The meta
// registry maps the five classes and their five Ex variants; the interaction
// registry the four interaction classes.
const CStringToSafePtrMap<CMetaSerializerBase>& MetaSerializerRegistry();
const CStringToSafePtrMap<CInteractionSerializerBase>& InteractionSerializerRegistry();

// The serializer registered under the object's own class name
// (RuntimeClassName); std::invalid_argument when there is none, which only
// a class outside the model can cause.
const CMetaSerializerBase& SerializerOf(const CMetaWindow& control);
const CInteractionSerializerBase& SerializerOf(const CUserInteraction& interaction);

// The description of one control, or of one interaction against its target.
Text DescribeControl(const CMetaWindow& control);
Text DescribeInteraction(const CUserInteraction& interaction, const CMetaWindow& target);

}  // namespace korvex
