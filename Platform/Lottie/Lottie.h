#pragma once

// Vector animations, played from Lottie JSON files and rendered by rlottie.
//
// Resource layout. Each animation of the program is a folder of the resource
// folder, Resources/LottieAnimation/<Name>/, holding
//   data.json   the animation (frame rate "fr", frames "ip" to "op", size
//               "w" × "h", layers, and image assets that name a file by its
//               folder "u" and name "p", e.g. "images/" and "img_0.png");
//   images/     the bitmaps those assets use (any format QImage reads).
//
// Loading one into a view:
//
//   const QString json = Bundle::main().pathForResource("LottieAnimation/Name/data", "json");
//   view->setAnimation(Lottie::Animation::filepath(json, &Lottie::LRUAnimationCache::sharedCache()));
//   view->setImageProvider(std::make_shared<ImageProvider>(
//       Bundle::main().pathForResource("LottieAnimation/Name/images")));
//   view->setLoopMode(Lottie::LottieLoopMode::loop);
//   view->play();                                   // whole animation
//   view->play(0.0, 0.4, Lottie::LottieLoopMode::playOnce,
//              [](bool finished) { ... });          // a segment, by progress
//
// `filepath` parses the file once; with a cache, later loads of the same path
// share that parse. A missing or unreadable file gives no animation: the view
// then shows nothing and every play completes with false.
//
// Where the images come from. rlottie has no image callback, so the images
// are put into the JSON as embedded PNG data before rlottie loads it: with an
// image provider set, each image asset gets the provider's answer for it (no
// answer leaves that image empty); without one, the asset's file is read from
// the animation's own folder (data.json's folder + "u" + "p"). Images already
// embedded in the file are kept as they are. No file outside the animation's
// folder is ever read for an asset.

#include "Lottie/Animation.h"
#include "Lottie/AnimationImageProvider.h"
#include "Lottie/AnimationView.h"
#include "Lottie/LRUAnimationCache.h"
