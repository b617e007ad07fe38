// Correction files on disk: bounded reading of regular files only, atomic
// replacement, and the programs' messages for what went wrong.
#include "corrfile/CorrectionFile.h"

#include "platform/Messages.h"

namespace kestrava::corrfile {

using engine::CorrectionSet;

CorrectionFileResult loadCorrectionFile(const std::string& path, CorrectionSet& set)
{
    std::vector<std::uint8_t> image;
    const platform::FileResult read =
        platform::readInput(path, kMaxCorrectionFileBytes, platform::InputKinds::RegularFile, image);
    if (read.error == platform::FileError::NotAFile)
        return {CorrectionFileStatus::Damaged, read.reason};
    if (!read)
        return {CorrectionFileStatus::CannotOpen, read.reason};
    return decodeCorrectionFile(image, set);
}

CorrectionFileResult saveCorrectionFile(const std::string& path, const CorrectionSet& set)
{
    return correctionSaveResult(platform::replaceFile(path, encodeCorrectionFile(set)));
}

CorrectionFileResult correctionSaveResult(const platform::FileResult& written)
{
    if (written.error == platform::FileError::CannotWrite)
        return {CorrectionFileStatus::CannotWrite, written.reason};
    if (!written)
        return {CorrectionFileStatus::CannotCreate, written.reason};
    return {};
}

int readCorrectionFile(const std::string& path, CorrectionSet& set, platform::Messages& messages)
{
    const CorrectionFileResult result = loadCorrectionFile(path, set);
    if (!result) {
        platform::showError(messages, correctionFileMessage(result.status));
        return 1;
    }
    return 0;
}

bool writeCorrectionFile(const std::string& path, const CorrectionSet& set, platform::Messages& messages)
{
    const CorrectionFileResult result = saveCorrectionFile(path, set);
    if (!result) {
        platform::showError(messages, correctionFileMessage(result.status));
        return false;
    }
    return true;
}

}  // namespace kestrava::corrfile
