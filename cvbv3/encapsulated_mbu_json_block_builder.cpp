#include "cvbv3/encapsulated_mbu_json_block_builder.h"

#include "cvbv3/block_registry.h"
#include "cvbv3/concatenated_data_source.h"
#include "cvbv3/cvb_block.h"
#include "cvbv3/encrypt_data_source.h"
#include "cvbv3/i_mbu_metadata_header_builder.h"
#include "cvbv3/plain_file_data_source.h"
#include "cvbv3/vector_data_source.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <stdexcept>

namespace cvsw::cvbv3 {

namespace {

std::string utf8(const QJsonValue& value) {
    return value.toString().toUtf8().toStdString();
}

// The image is the block's payload. A plain file source reads a file it cannot open as empty, which
// would save a block holding the metadata header alone; here that fails the save instead.
class ImageFileDataSource : public PlainFileDataSource {
public:
    using PlainFileDataSource::PlainFileDataSource;

    void beginReadData() override {
        PlainFileDataSource::beginReadData();
        if (!isOpen()) {
            throw std::runtime_error("Image file could not be opened.");
        }
    }
};

} // namespace

EncapsulatedMbuJsonBlockBuilder::EncapsulatedMbuJsonBlockBuilder(
    const Tag& tag, const Secret& defaultSecret, const Secret& productionSecret,
    std::unique_ptr<IMbuMetadataHeaderBuilder> headerBuilder)
    : tag_(tag)
    , defaultSecret_(defaultSecret)
    , productionSecret_(productionSecret)
    , headerBuilder_(std::move(headerBuilder)) {
}

EncapsulatedMbuJsonBlockBuilder::~EncapsulatedMbuJsonBlockBuilder() = default;

bool EncapsulatedMbuJsonBlockBuilder::loadFromJsonObject(QJsonObject& object) {
    const std::shared_ptr<CvbBlock>& target = block();
    if (!target) {
        throw std::runtime_error("No block provided.");
    }
    if (!object.contains(QLatin1String("block_id"))) {
        throw std::runtime_error("Block Id not provided.");
    }
    const std::string blockId = utf8(object.value(QLatin1String("block_id")));
    if (blockId.size() != tag_.size() ||
        !std::equal(tag_.begin(), tag_.end(), blockId.begin(),
                    [](std::uint8_t t, char c) { return t == static_cast<std::uint8_t>(c); })) {
        throw std::runtime_error("Block Id not recognized.");
    }
    const std::string fileName = utf8(object.value(QLatin1String("filename")));
    if (fileName.empty()) {
        throw std::runtime_error("Filename not provided.");
    }
    if (!object.contains(QLatin1String("sw_version"))) {
        throw std::runtime_error("Software version not provided.");
    }
    if (!object.contains(QLatin1String("compatible_hw_versions"))) {
        throw std::runtime_error("Compatible HW versions not provided.");
    }

    target->header().setBlockId(tag_);
    target->header().setBuildDescription(utf8(object.value(QLatin1String("build_description"))));

    std::vector<std::uint8_t> metadataHeader;
    if (headerBuilder_) {
        metadataHeader = headerBuilder_->build(object);
    }
    if (metadataHeader.empty()) {
        throw std::runtime_error("Metadata header was not populated.");
    }

    // Header first, then the image; the file is opened only when the block is saved, and a file that
    // cannot be opened then fails the save.
    auto plain = std::make_shared<ConcatenatedDataSource>(
        std::make_shared<VectorDataSource>(std::move(metadataHeader)),
        std::make_shared<ImageFileDataSource>(fileName));
    auto encrypted = std::make_shared<EncryptDataSource>(plain);
    const bool production = object.value(QLatin1String("use_production_secret")).toBool(false);
    encrypted->setSecret(production ? productionSecret_ : defaultSecret_);

    // An unknown tag leaves the source without a generator, and saving the block then fails.
    std::shared_ptr<AuthResponseGenerator> generator;
    const BlockRegistry& registry = globalBlockRegistry();
    if (const auto row = registry.find(tag_); row != registry.end() && row->second) {
        generator = row->second();
    }
    encrypted->registerAuthGenerator(generator);

    target->setDataSource(std::move(encrypted));
    return true;
}

} // namespace cvsw::cvbv3
