#include "note_text.h"

#include "ui_hooks.h"

namespace pq {
namespace {

std::string Joined(std::initializer_list<std::string> parts) {
  std::string out;
  for (const auto& p : parts) {
    if (!out.empty()) out += ' ';
    out += p;
  }
  return out;
}

}  // namespace

NoteContent BuildNote(uint32_t kind, const std::string& name, const std::string& hw, bool tjca,
                      std::string (*lookup)(const char*, const char*)) {
  auto ui = [&](const char* key) { return lookup("UIReqInfo", key); };
  NoteContent note;
  note.shown = true;
  note.templateId = kNoteTemplate;
  switch (kind) {
    case kNoteFormatting:
      note.text = Joined({ui("IDSTR_FORMATING_DEV"), name, ui("IDSTR_WITHIN"), hw, ui("IDSTR_OMIT")});
      break;
    case kNoteRsaKeyGeneration:
      if (tjca) {
        note.text = ui("IDSTR_GENRSAING_WAIT");
        note.templateId = kNoteTemplateWithCaption;
      } else {
        note.text = Joined({ui("IDSTR_READER"), name, ui("IDSTR_WITHIN"), hw, ui("IDSTR_GENRSAING")});
      }
      break;
    case kNoteErasing:
      note.text = Joined({ui("IDSTR_ERASEING"), name, lookup("KVHWInfo", "IDSTR_WITHIN"), hw});
      break;
    case kNoteWritingCertificate:
      note.text = ui("IDSTR_WRITECERTING");
      break;
    case kNoteCertificateStoreFull:
      note.text = ui("IDSTR_OVERCERT");
      break;
    case kNoteSm2KeyGeneration:
      note.text = ui("IDSTR_GENSM2ING");
      break;
    default:
      return NoteContent();
  }
  return note;
}

}  // namespace pq
