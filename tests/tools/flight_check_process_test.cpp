// flight-check as a separate process: the table on its output, the figures as JSON and the
// picture, read back as any other program would.

#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "child_process/child_process.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

TEST(FlightCheckProcessTest, PrintsTheTableAndWritesTheJsonAndThePicture) {
  std::string directory = fs::temp_directory_path() / "flight-check-process-test-XXXXXX";
  ASSERT_NE(mkdtemp(directory.data()), nullptr);
  // Pitch rises 20 degrees a second: its cue reaches the limit 0 at 4.5 s and stays there.
  std::ofstream(fs::path(directory) / "flight.csv") << "0,0,0,0,2600,100\n10,200,0,0,2600,100\n";

  testing::ChildProcess check(FLIGHT_CHECK_PATH,
                              {"flight.csv", "--json", "figures.json", "--picture", "cues.png"},
                              directory);
  const std::string output = check.ReadRest();
  EXPECT_EQ(check.Wait(), 0);
  EXPECT_NE(output.find("\npitch      PITCHING        0    4.50   128    0.00    0..128        "
                        "5.50             2    0.05\n"),
            std::string::npos)
      << output;

  QFile json(QString::fromStdString(directory + "/figures.json"));
  ASSERT_TRUE(json.open(QIODevice::ReadOnly));
  const QJsonObject figures = QJsonDocument::fromJson(json.readAll()).object();
  EXPECT_EQ(figures["ticks"].toInt(), 200);
  const QJsonObject pitch = figures["pitch"].toObject();
  EXPECT_EQ(pitch["min"].toInt(), 0);
  EXPECT_EQ(pitch["max"].toInt(), 128);
  EXPECT_EQ(pitch["position_min"].toInt(), 0);
  EXPECT_EQ(pitch["position_max"].toInt(), 128);
  EXPECT_DOUBLE_EQ(pitch["at_limit_s"].toDouble(), 5.5);
  EXPECT_EQ(pitch["largest_step"].toInt(), 2);
  EXPECT_EQ(figures["vibration"].toObject()["max"].toInt(), 40);

  // The time at the limit is marked by a thick red stroke along the pitch band's bottom line,
  // from 4.5 s, a little past halfway across, to the end; before it the line is thin.
  const QImage picture(QString::fromStdString(directory + "/cues.png"));
  ASSERT_FALSE(picture.isNull());
  const auto redAcross = [&picture](double from, double to) {
    int thick = 0;  // columns with five red pixels in a row in the pitch band
    for (int x = static_cast<int>(from * picture.width());
         x < static_cast<int>(to * picture.width()); ++x) {
      int run = 0;
      for (int y = 0; y < picture.height() * 0.37 && run < 5; ++y) {
        const QColor colour = picture.pixelColor(x, y);
        run = colour.red() > 180 && colour.green() < 60 && colour.blue() < 60 ? run + 1 : 0;
      }
      thick += run >= 5;
    }
    return thick;
  };
  EXPECT_EQ(redAcross(0.2, 0.5), 0);
  EXPECT_GT(redAcross(0.6, 0.9), 0);
  fs::remove_all(directory);
}

}  // namespace
}  // namespace veltrano
