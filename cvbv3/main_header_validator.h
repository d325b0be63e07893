#pragma once

namespace cvsw::cvbv3 {

class CvbFile;
class MainHeader;

// The checks of a main header, some against the file that holds it. Both must outlive the validator.
class MainHeaderValidator {
public:
    MainHeaderValidator(const CvbFile& file, const MainHeader& header);

    bool magicNumberIsValid() const;
    bool versionNumberIsValid() const;
    bool reservedBytesValid() const;
    bool headerCRCIsValid() const;
    bool numberOfBlocksIsValid() const;
    bool dataSizeIsValid() const;

private:
    const CvbFile& file_;
    const MainHeader& header_;
};

} // namespace cvsw::cvbv3
