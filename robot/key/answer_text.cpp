#include "robot/key/answer_text.h"

#include "robot/capture/recognition_error.h"
#include "robot/key/field_stream.h"
#include "robot/key/serializers.h"

namespace korvex {

Text WriteAnswers(const AnswerList& answers) {
  Text out;
  AppendUnsignedField(out, static_cast<std::uint32_t>(answers.size()));
  for (const CUserInteraction* interaction : answers) {
    SerializerOf(*interaction).Write(*interaction, out);
  }
  return out;
}

OwnedAnswers ReadAnswers(TextView text) {
  FieldReader in(text, recognition_code::kUnknownInteraction);
  const std::uint32_t count = in.ReadUnsigned();
  // Every record takes at least its "|"; a larger count cannot be honest.
  if (count > in.Remaining()) in.Fail("an answer list has fewer records than its count");
  OwnedAnswers answers;
  for (std::uint32_t i = 0; i < count; ++i) {
    const CInteractionSerializerBase* serializer =
        InteractionSerializerRegistry().Lookup(in.PeekToken());
    if (serializer == nullptr) in.Fail("an answer record names no registered interaction");
    std::unique_ptr<CUserInteraction> interaction = serializer->Read(in);
    if (interaction == nullptr) in.Fail("an answer record yields no interaction");
    answers.push_back(std::move(interaction));
  }
  if (!in.AtEnd()) in.Fail("text follows the last answer record");
  return answers;
}

}  // namespace korvex
