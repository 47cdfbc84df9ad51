#include "tools/site/ScriptPages.h"

#include "tools/site/FormPages.h"
#include "tools/site/PageForms.h"

#include <nlohmann/json.hpp>

namespace {

// Both players say what they do in the status line, so that a visitor sees
// the script at work.
const char* const kStatus = "<p id=\"status\">Loading the player...</p>";

const char* const kFetchedBefore = R"js(<script>(function(){
var status=document.getElementById('status');
fetch(')js";
const char* const kFetchedAfter = R"js(').then(function(r){
 if(!r.ok)throw new Error(r.url+' answered '+r.status);return r.json();
}).then(function(c){
 var v=document.createElement('video');v.controls=true;v.preload='metadata';
 v.width=640;v.height=360;v.title=c.title;
 var s=document.createElement('source');s.src=c.src;s.type=c.type;v.appendChild(s);
 document.getElementById('player').appendChild(v);
 status.textContent='Built from '+c.src+'.';
}).catch(function(e){status.textContent='The player could not load: '+e.message;});
})();</script>)js";

const char* const kMediaSourceBefore = R"js(<script>(function(){
var status=document.getElementById('status');
function say(t){status.textContent=t;}
function fail(e){say('The player could not load: '+e.message);}
function ok(r){if(!r.ok)throw new Error(r.url+' answered '+r.status);return r;}
var type='video/webm; codecs="vp8, vorbis"';
if(!window.MediaSource||!MediaSource.isTypeSupported(type))
 return say('This browser cannot play WebM through Media Source Extensions.');
fetch(')js";
const char* const kMediaSourceAfter = R"js(').then(ok).then(function(r){
 return r.text().then(function(text){
  var lines=text.split(/\r?\n/);
  for(var i=0;i+1<lines.length;i++)
   if(lines[i].indexOf('#EXT-X-STREAM-INF:')===0)return new URL(lines[i+1].trim(),r.url).href;
  throw new Error('the playlist has no variant');
 });
}).then(function(variant){
 // No H.264 here for sure: the variant's WebM twin, which lies beside it.
 var media=variant.replace(/\.m3u8$/,'.webm');
 var source=new MediaSource(),v=document.createElement('video');
 v.controls=true;v.width=640;v.height=360;
 v.addEventListener('timeupdate',function(){
  say('Playing '+v.src+' at '+v.currentTime.toFixed(1)+' s.');});
 source.addEventListener('sourceopen',function(){
  var buffer=source.addSourceBuffer(type);
  buffer.addEventListener('updateend',function(){source.endOfStream();say('Ready on '+v.src+'.');});
  fetch(media).then(ok).then(function(r){return r.arrayBuffer();})
   .then(function(bytes){buffer.appendBuffer(bytes);}).catch(fail);
 },{once:true});
 v.src=URL.createObjectURL(source);
 document.getElementById('player').appendChild(v);
}).catch(fail);
})();</script>)js";

// The player's box, its status line and the script fetching path first
// (a site path: [a-z0-9/.] only, safe inside the script's string).
std::string player(const std::string& path, const char* before, const char* after) {
    return std::string("<div id=\"player\"></div>") + kStatus + before + path + after;
}

} // namespace

namespace ScriptPages {

std::string fetched(const std::string& origin, const DemoClip& clip) {
    return FormPages::framed(
        origin, clip, PageKind::Script,
        player(PageForms::clipJsonPath(clip.id), kFetchedBefore, kFetchedAfter));
}

std::string mediaSource(const std::string& origin, const DemoClip& clip) {
    return FormPages::framed(origin, clip, PageKind::Blob,
                             player(PageForms::packagePath(Packaging::Hls, clip.id),
                                    kMediaSourceBefore, kMediaSourceAfter));
}

std::string clipJson(const DemoClip& clip) {
    const nlohmann::json json = {{"title", clip.title},
                                 {"src", PageForms::address(PageKind::Direct, clip.id)},
                                 {"type", "video/mp4"}};
    return json.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

} // namespace ScriptPages
