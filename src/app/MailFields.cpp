#include "app/MailFields.h"

#include "settings/Configuration.h"
#include "settings/RecipientTexts.h"

namespace corvalet {

namespace {

// A code the list has no item for selects none, as in the window.
int ItemIndex(int code, std::size_t items) {
    return code >= 0 && static_cast<std::size_t>(code) < items ? code : -1;
}

} // namespace

TMailFields MailFieldsOf(const TConfiguration& settings) {
    TMailFields fields;
    fields.SenderName = settings.SenderName;
    fields.SenderAddress = settings.SenderAddress;
    fields.Subject = settings.Subject;
    fields.BodyFileName = settings.BodyFileName;
    fields.ContentType = ItemIndex(settings.ContentType, ContentTypeMimeTypes.size());
    fields.Priority = ItemIndex(settings.Priority, PriorityTexts.size());
    fields.Attachment = settings.Attachment;
    fields.SMTPHost = settings.SMTPHost;
    fields.PortNumber = std::to_string(settings.PortNumber);
    fields.Security = settings.Security;
    fields.UserName = settings.UserName;
    fields.Authentication = settings.Authentication;
    fields.TrustFile = settings.TrustFile;
    return fields;
}

} // namespace corvalet
