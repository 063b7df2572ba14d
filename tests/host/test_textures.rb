require 'minitest/autorun'
require 'plugin_host'

# Textured materials as Korvan receives them: the path of the source file while it exists, a
# copy beside the saved model (written by SketchUp with its colorization) when it does not, or a
# BMP in a data section with MemoryTextures; copies go when the link stops.
class TestTextures < Minitest::Test
  include PluginHost::FreshModel

  # SketchUp unpacks a model's textures into its temporary folder, whose files the plug-in does
  # not rely on: this process's temporary folder is one of its own, set before the plug-in loads.
  OUTSIDE_TEMP = Dir.tmpdir
  SKETCHUP_TEMP = Dir.mktmpdir('sketchup-temp-')
  ENV['TMPDIR'] = SKETCHUP_TEMP
  Minitest.after_run { FileUtils.rm_rf(SKETCHUP_TEMP) }

  def setup
    super
    # A model folder with spaces and a non-ASCII letter. The sources lie outside the temporary
    # folder, in one whose name is lower case: the plug-in lower-cases texture names, which only
    # Windows' paths do not mind.
    @folder = File.join(@base, 'Küche Models')
    FileUtils.mkdir_p(@folder)
    @maps = Dir.mktmpdir('maps-', OUTSIDE_TEMP)
    @path = File.join(@folder, 'House 1.skp')
    @stone = textured('Stone', write_ppm(@maps, 'stone.ppm', [[[90, 90, 90], [120, 120, 120]]]))
    # All lower case: were the temporary folder not taken off, this file would be found and
    # pointed at rather than copied.
    unpacked = File.join(SKETCHUP_TEMP, 'sketchup')
    FileUtils.mkdir_p(unpacked)
    @brick = textured('Brick', write_ppm(unpacked, 'brick.ppm', [[[160, 60, 40]], [[190, 180, 170]]]))
    # A name that says PNG keeps its extension whatever the picture's depth.
    @tile = textured('Tile', write_ppm(unpacked, 'tile.png', [[[1, 2, 3]]]))
    PluginHost.square(@model.entities).material = @stone
    PluginHost.square(@model.entities, 20).material = @brick
    PluginHost.square(@model.entities, 40).material = @tile
  end

  def teardown
    super
    FileUtils.rm_rf(@maps)
  end

  # A binary PPM from rows of [r, g, b], top row first.
  def write_ppm(folder, name, rows)
    path = File.join(folder, name)
    File.binwrite(path, "P6\n#{rows.first.size} #{rows.size}\n255\n" + rows.flatten.pack('C*'))
    path
  end

  def textured(name, file)
    material = @model.materials.add(name)
    material.texture = file
    material
  end

  # { material name => its SRFC record as korvan-peer reads it }
  def surfaces
    link = PluginHost.inspect_link(@path)
    assert_empty link['problems']
    link['records'].select { |r| r['tag'] == 'SRFC' }.to_h { |r| [r['name'], r] }
  end

  # The plug-in's worker sends material changes; the limit is a safety net, not a timing.
  def wait_for(what, seconds: 60)
    deadline = Process.clock_gettime(Process::CLOCK_MONOTONIC) + seconds
    until (result = yield)
      flunk "never: #{what}" if Process.clock_gettime(Process::CLOCK_MONOTONIC) > deadline
      HostSim.pump(0)
      sleep 0.01
    end
    result
  end

  def start_linked
    start_saved
    PluginHost.wait_until_published(@path)
  end

  def test_a_source_file_is_pointed_at_and_a_missing_one_copied_beside_the_model_until_the_link_stops
    PluginHost.write_dword('MemoryTextures', 0)
    start_linked
    stone, brick = surfaces.values_at('Stone', 'Brick')
    assert_equal File.join(@maps, 'stone.ppm'), stone['texturePath']
    refute_equal 0, stone['textureStamp'], "the file's time, by which Korvan sees a new picture"
    copy = File.join(@folder, 'House 1_Textures', "#{@brick.entityID}_brick.jpg")
    assert_equal copy, brick['texturePath']
    assert File.file?(copy)
    assert_nil brick['textureSection']
    assert File.file?(File.join(SKETCHUP_TEMP, 'sketchup', 'brick.ppm')), 'the unpacked file is left alone'
    assert_equal File.join(@folder, 'House 1_Textures', "#{@tile.entityID}_tile.png"), surfaces['Tile']['texturePath']

    # A new picture for one material sends that material's texture again, flagged as new; no
    # other material's texture or content moves (its faces' geometry may be sent again).
    picture = ->(r) { r.values_at('texturePath', 'textureStamp', 'textureSection', 'contentRevision') }
    before = surfaces.transform_values(&picture)
    @stone.texture = write_ppm(@maps, 'stone2.ppm', [[[10, 200, 10]]])
    now = wait_for('the new stone picture') do
      s = surfaces
      s if s['Stone']['texturePath'] == File.join(@maps, 'stone2.ppm')
    end
    assert_equal ['Stone'], now.reject { |name, r| before[name] == picture.call(r) }.keys
    assert_equal before['Stone'].last, now['Stone']['contentRevision']
    assert_equal 0x200, now['Stone']['flags'] & 0x200

    PluginHost.command('Stop TwinLink').invoke
    refute File.exist?(copy), 'the copy went with the link'
    assert File.file?(File.join(@maps, 'stone2.ppm')), "the user's own file stays"
  end

  # MemoryTextures is on unless the user turns it off; a colorized texture still goes as a file,
  # and after a change of colour it is written again with its tint even though its source exists.
  def test_by_default_the_picture_itself_is_sent_and_a_colorized_one_written_with_its_tint
    @stone.colorize = true
    start_linked
    brick, stone = surfaces.values_at('Brick', 'Stone')
    assert_equal '', brick['texturePath']
    # 1 x 2 pixels of 3 bytes, rows padded to 4 bytes: 8 bytes behind the 54 of the header.
    assert_equal 62, brick['textureSection']['size']
    assert_equal File.join(@maps, 'stone.ppm'), stone['texturePath'], 'a first load points at the source'

    @stone.color = [200, 40, 40]
    copy = File.join(@folder, 'House 1_Textures', "#{@stone.entityID}_stone.jpg")
    stone = wait_for('the tinted stone') { (s = surfaces['Stone'])['texturePath'] == copy && s }
    assert_nil stone['textureSection']
    assert File.file?(copy)
    assert File.file?(File.join(@maps, 'stone.ppm'))

    @brick.texture = write_ppm(@maps, 'brick2.ppm', [[[10, 200, 10]], [[1, 2, 3]], [[4, 5, 6]]])
    brick = wait_for('the new brick picture') { (s = surfaces['Brick'])['textureSection']['size'] == 66 && s }
    assert_operator brick['textureStamp'], :>, 1
    PluginHost.command('Stop TwinLink').invoke
    refute File.exist?(copy), 'the tinted copy went with the link'
  end
end
